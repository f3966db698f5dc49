# Warnings for everything the project compiles itself. They are errors only where asked
# (QUORVANE_WERROR, which scripts/build and scripts/test turn on): a user who builds the package
# with another compiler release must not be stopped by a warning that release adds.
option(QUORVANE_WERROR "Treat compiler warnings as errors" OFF)

function(quorvane_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast)
    # GCC 12 reports -Wrestrict inside libstdc++'s std::string at -O3 where nothing overlaps
    # (GCC bug 105329, mended in GCC 13).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(QUORVANE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
