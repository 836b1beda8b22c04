# GoogleTest and GoogleMock built from Debian's source package
# (/usr/src/googletest) for a cross build, with the targets that
# find_package(GTest) gives a native build.
set(KEELSON_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source folder")
set(gt ${KEELSON_GOOGLETEST_SOURCE}/googletest)
set(gm ${KEELSON_GOOGLETEST_SOURCE}/googlemock)
if(NOT EXISTS ${gt}/src/gtest-all.cc)
    message(FATAL_ERROR "GoogleTest source not found in ${KEELSON_GOOGLETEST_SOURCE}: "
                        "install Debian's googletest package")
endif()

function(keelson_googletest_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} SYSTEM PUBLIC ${gt}/include ${gm}/include)
    target_include_directories(${name} PRIVATE ${gt} ${gm})
    # Someone else's code: its warnings are not this project's to fix.
    target_compile_options(${name} PRIVATE -w)
    target_compile_definitions(${name} PUBLIC GTEST_HAS_PTHREAD=0)
endfunction()

keelson_googletest_library(keelson_gtest ${gt}/src/gtest-all.cc)
keelson_googletest_library(keelson_gtest_main ${gt}/src/gtest_main.cc)
keelson_googletest_library(keelson_gmock ${gm}/src/gmock-all.cc)
target_link_libraries(keelson_gtest_main PUBLIC keelson_gtest)
target_link_libraries(keelson_gmock PUBLIC keelson_gtest)
add_library(GTest::gtest ALIAS keelson_gtest)
add_library(GTest::gtest_main ALIAS keelson_gtest_main)
add_library(GTest::gmock ALIAS keelson_gmock)

find_program(KEELSON_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KEELSON_WINE NAMES wine64 wine)
set(KEELSON_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(KEELSON_WINE_RUN sh ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${KEELSON_WINE})
