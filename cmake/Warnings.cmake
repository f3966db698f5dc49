# Warnings are errors for everything the project compiles itself.
function(quorvane_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast -Werror)
endfunction()
