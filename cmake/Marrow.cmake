# Build helpers shared by every folder.

# marrow_engine_library(<name> <sources>...)
# A static engine library on the kernel (marrow_kernel); its folder links the
# other engine libraries it calls.
function(marrow_engine_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC marrow_include marrow_kernel)
endfunction()

# marrow_report_log(<target>): the program links the kernel that writes the
# report log MARROW.TXT; without this call it gets the delivered kernel, in
# which the log is compiled out. Every engine library it links follows.
function(marrow_report_log target)
  set_target_properties(${target} PROPERTIES MARROW_REPORT_LOG ON)
endfunction()

# marrow_run_target(<target>): put a deliverable into the run folder with a
# run path that finds its neighbours there.
function(marrow_run_target target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${MARROW_RUN_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${MARROW_RUN_DIR}
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
endfunction()

# marrow_gtest(<name> [REPORT_LOG] SOURCES <files>... [LIBS <targets>...])
# One GoogleTest executable; its cases are discovered by ctest. REPORT_LOG
# links the kernel with the report log, so that log formats can be tested.
function(marrow_gtest name)
  cmake_parse_arguments(T "REPORT_LOG" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_REPORT_LOG)
    marrow_report_log(${name})
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  if(WIN32)
    target_link_libraries(${name} PRIVATE marrow_test_box)
  endif()
  target_compile_definitions(${name} PRIVATE
    MARROW_RUN_DIR="${MARROW_RUN_DIR}"
    MARROW_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  # Each case runs in a process of its own, as the suites expect (in a cross
  # build through the emulator, Wine, of the toolchain file), labelled with
  # its program, so a run can pick whole suites (ctest -L).
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "MARROW_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp" LABELS ${name})
endfunction()
