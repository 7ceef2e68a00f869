# Every compiler-specific flag of the project lives here.

# Settings shared by the program and the tests.
function(lunvex_common_options target)
    target_compile_definitions(${target} PRIVATE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    target_compile_features(${target} PRIVATE cxx_std_17)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /utf-8)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
    endif()
endfunction()

# Product code: no exceptions, no RTTI, no runtime checks that need the C runtime.
function(lunvex_product_options target)
    lunvex_common_options(${target})
    if(MSVC)
        target_compile_options(${target} PRIVATE /EHs-c- /GR- /GS- /Gs1000000)
    else()
        target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti
            -fno-asynchronous-unwind-tables -fno-stack-protector)
    endif()
endfunction()

# The executable starts at AppEntry with no C runtime start-up before it.
# Its threads get the platform's usual 1 MiB stack, which the deepest walk
# the path limit allows fits in with room to spare.
function(lunvex_no_runtime_entry target entry)
    if(MSVC)
        target_link_options(${target} PRIVATE /ENTRY:${entry} /NODEFAULTLIB /SUBSYSTEM:WINDOWS
            /STACK:1048576)
    else()
        target_link_options(${target} PRIVATE -nostdlib -nostartfiles -mwindows
            -Wl,-e,${entry} -Wl,--gc-sections -Wl,--stack,1048576)
        # libgcc supplies ___chkstk_ms for frames over 4 KiB.
        target_link_libraries(${target} PRIVATE gcc)
    endif()
endfunction()

# Test programs use the normal runtime, linked statically so that Wine needs
# no MinGW DLLs beside them.
function(lunvex_test_options target)
    lunvex_common_options(${target})
    if(NOT MSVC)
        target_link_options(${target} PRIVATE -static)
        # GoogleTest's EXPECT macros inside a plain if, and Win32 records
        # zeroed with {} by the tests.
        target_compile_options(${target} PRIVATE -Wno-dangling-else -Wno-missing-field-initializers)
    endif()
endfunction()

# The resource script is UTF-8 (Chinese texts).
macro(lunvex_resource_options)
    if(MSVC)
        set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} /c65001")
    else()
        set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
    endif()
endmacro()

# A module of resources only (a satellite): no code, no entry point.
function(lunvex_resource_only target)
    if(MSVC)
        target_link_options(${target} PRIVATE /NOENTRY)
    else()
        target_link_options(${target} PRIVATE -nostdlib -nostartfiles -Wl,-e,0)
    endif()
endfunction()
