# Installs the build in BUILD_DIR into WORK_DIR/prefix and checks the result:
#   - exactly the program, the core library, the core's headers (each where it is
#     under core/) and the package files are installed, nothing of the tests or
#     the host library;
#   - the installed program runs a macro;
#   - examples/embed configures against the prefix (and nothing else), builds with
#     the given compiler, build type and flags, and prints EXPECTED_OUTPUT.
#     COMPILE_OPTIONS (space-separated) are added to its compilations only, not to
#     its link, so whatever the link needs must come from the package.
#
# Run by CTest: cmake -DBUILD_DIR=... -DCORE_DIR=... -DEXAMPLE_DIR=...
#   -DEXPECTED_OUTPUT=... -DWORK_DIR=... -DGENERATOR=... -DCXX_COMPILER=...
#   -DBUILD_TYPE=... -DCXX_FLAGS=... -DCOMPILE_OPTIONS=... -DLINKER_FLAGS=...
#   -P check_install.cmake
cmake_minimum_required(VERSION 3.20)

# Runs a command and stops with its output when it fails; its standard output
# goes to <prefix>_OUT and its standard error to <prefix>_ERR.
function(run_checked what prefix)
    execute_process(COMMAND ${ARGN}
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err INPUT_FILE /dev/null)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
    endif()
    set(${prefix}_OUT "${out}" PARENT_SCOPE)
    set(${prefix}_ERR "${err}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(example_build ${WORK_DIR}/embed)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

set(config_option)
if(BUILD_TYPE)
    set(config_option --config ${BUILD_TYPE})
endif()

# ---- the installed files ----
run_checked("Installing the build" install
    ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} ${config_option})

file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
set(unexpected ${installed})
list(FILTER unexpected EXCLUDE REGEX "^bin/quorin$")
list(FILTER unexpected EXCLUDE REGEX "^lib[^/]*(/[^/]+)?/libquorin_core\\.a$")
list(FILTER unexpected EXCLUDE REGEX "^include/quorin/.+\\.h$")
list(FILTER unexpected EXCLUDE REGEX
    "^lib[^/]*(/[^/]+)?/cmake/Quorin/Quorin(Config|ConfigVersion|Targets|Targets-[a-z]+)\\.cmake$")
if(unexpected)
    list(JOIN unexpected "\n  " listing)
    message(FATAL_ERROR "Installed files that do not belong to the package:\n  ${listing}")
endif()

set(missing)
foreach(required bin/quorin include/quorin/engine/quorin.h include/quorin/quorin_limits.h)
    if(NOT required IN_LIST installed)
        list(APPEND missing ${required})
    endif()
endforeach()
file(GLOB_RECURSE core_headers RELATIVE ${CORE_DIR} ${CORE_DIR}/*.h)
foreach(header IN LISTS core_headers)
    if(NOT "include/quorin/${header}" IN_LIST installed)
        list(APPEND missing include/quorin/${header})
    endif()
endforeach()
foreach(pattern "libquorin_core\\.a$" "/QuorinConfig\\.cmake$" "/QuorinConfigVersion\\.cmake$"
                "/QuorinTargets\\.cmake$")
    set(found ${installed})
    list(FILTER found INCLUDE REGEX "${pattern}")
    if(NOT found)
        list(APPEND missing "(a file matching ${pattern})")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " listing)
    message(FATAL_ERROR "Not installed:\n  ${listing}")
endif()

# ---- the installed program ----
file(WRITE ${WORK_DIR}/answer.qrn "println(6 * 7);\n")
run_checked("Running the installed quorin" program ${prefix}/bin/quorin ${WORK_DIR}/answer.qrn)
if(NOT program_OUT MATCHES "(^|\n)42\n$")
    message(FATAL_ERROR "The installed quorin printed:\n${program_OUT}\n${program_ERR}")
endif()

# ---- the example, built against the package ----
# CMAKE_CXX_FLAGS would reach the linker too, hence a file included by project().
set(options_file ${WORK_DIR}/compile_options.cmake)
file(WRITE ${options_file} "add_compile_options(${COMPILE_OPTIONS})\n")
run_checked("Configuring examples/embed" configure
    ${CMAKE_COMMAND} -S ${EXAMPLE_DIR} -B ${example_build} -G ${GENERATOR}
        -DCMAKE_PREFIX_PATH=${prefix}
        -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
        -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
        -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
        -DCMAKE_CXX_FLAGS=${CXX_FLAGS}
        -DCMAKE_PROJECT_INCLUDE=${options_file}
        -DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS})

# A Quorin installed elsewhere on the machine must not stand in for this one.
file(STRINGS ${example_build}/CMakeCache.txt quorin_dir REGEX "^Quorin_DIR:")
string(REGEX REPLACE "^[^=]*=" "" quorin_dir "${quorin_dir}")
file(REAL_PATH "${quorin_dir}" quorin_dir)
file(REAL_PATH "${prefix}" real_prefix)
string(FIND "${quorin_dir}/" "${real_prefix}/" position)
if(NOT position EQUAL 0)
    message(FATAL_ERROR "examples/embed found Quorin in ${quorin_dir}, not in ${prefix}")
endif()

run_checked("Building examples/embed" build
    ${CMAKE_COMMAND} --build ${example_build} ${config_option})

run_checked("Running examples/embed" example ${example_build}/embed)
file(READ ${EXPECTED_OUTPUT} expected)
if(NOT example_OUT STREQUAL expected)
    message(FATAL_ERROR
        "examples/embed printed:\n${example_OUT}\nexpected:\n${expected}\n"
        "standard error:\n${example_ERR}")
endif()
# The failing macro's message names the host's function whose argument was wrong.
if(NOT example_ERR MATCHES "\"swap\"")
    message(FATAL_ERROR "No error message naming swap on standard error:\n${example_ERR}")
endif()
