// The windows library grows here.
namespace keelson {
int WindowsLibraryPlaceholder() { return 0; }
}  // namespace keelson
