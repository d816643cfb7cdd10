# Whether this machine runs 32-bit x86 programs, as 32-bit Wine is one: some kernels are built
# without IA32 emulation or booted with ia32_emulation=0, and other processors run none. Tells
# by running the smallest such program, made with the host's assembler and linker: an exit(0).
# Included, it sets VORLANE_RUNS_X86_32 and, where that is false, VORLANE_NO_X86_32_BECAUSE.
# As `cmake -P`, it prints why where the machine cannot, and nothing where it can.
if(CMAKE_SCRIPT_MODE_FILE)
    string(RANDOM LENGTH 8 probe_name)
    set(probe_dir /tmp/vorlane-x86-32-probe-${probe_name})
else()
    set(probe_dir ${CMAKE_BINARY_DIR}/x86-32-probe)
endif()
file(MAKE_DIRECTORY ${probe_dir})
file(WRITE ${probe_dir}/exit.s ".globl _start\n_start:\n mov $1, %eax\n xor %ebx, %ebx\n int $0x80\n")
execute_process(COMMAND as --32 -o exit.o exit.s
    WORKING_DIRECTORY ${probe_dir} RESULT_VARIABLE assembled OUTPUT_QUIET ERROR_QUIET)
execute_process(COMMAND ld -m elf_i386 -o exit exit.o
    WORKING_DIRECTORY ${probe_dir} RESULT_VARIABLE linked OUTPUT_QUIET ERROR_QUIET)
if(NOT assembled STREQUAL "0" OR NOT linked STREQUAL "0")
    set(VORLANE_NO_X86_32_BECAUSE "this machine's assembler makes no 32-bit x86 program")
else()
    execute_process(COMMAND ${probe_dir}/exit RESULT_VARIABLE ran OUTPUT_QUIET ERROR_QUIET)
    if(NOT ran STREQUAL "0")
        set(VORLANE_NO_X86_32_BECAUSE "this kernel runs no 32-bit x86 code")
    endif()
endif()
file(REMOVE_RECURSE ${probe_dir})
if(DEFINED VORLANE_NO_X86_32_BECAUSE)
    set(VORLANE_RUNS_X86_32 FALSE)
else()
    set(VORLANE_RUNS_X86_32 TRUE)
endif()

if(CMAKE_SCRIPT_MODE_FILE AND NOT VORLANE_RUNS_X86_32)
    message("${VORLANE_NO_X86_32_BECAUSE}")
endif()
