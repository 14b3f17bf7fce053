# Every target of the project builds with the same warning set; CI turns warnings into errors.
option(VELCORA_WERROR "Treat compiler warnings as errors" OFF)

function(velcora_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(VELCORA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
