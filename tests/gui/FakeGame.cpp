// Stands in for UnrealTournament.exe in the Windows window tests: notes in
// the folder it was started in that it was started, then ends.
#include <cstdio>

int main() {
    std::FILE* file = std::fopen("started.txt", "w");
    if (file == nullptr) {
        return 1;
    }
    std::fputs("started\n", file);
    return std::fclose(file) == 0 ? 0 : 1;
}
