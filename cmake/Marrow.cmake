# Build helpers shared by every folder.

# marrow_engine_library(<name> <sources>...)
# A static engine library. It does not link the kernel itself: executables pick
# the kernel variant (delivered, or with the report log on) through
# marrow_engine / marrow_engine_log, so one variant serves each program.
function(marrow_engine_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC marrow_include)
  set_property(GLOBAL APPEND PROPERTY MARROW_ENGINE_LIBRARIES ${name})
endfunction()

# Called once all engine folders are added. Defines two interface targets:
#   marrow_engine      every engine library + the delivered kernel (log off)
#   marrow_engine_log  the same with the logging kernel (MARROW.TXT written)
function(marrow_define_engine)
  get_property(libs GLOBAL PROPERTY MARROW_ENGINE_LIBRARIES)
  foreach(variant marrow_engine marrow_engine_log)
    add_library(${variant} INTERFACE)
    set(kernel mwkernel)
    if(variant STREQUAL "marrow_engine_log")
      set(kernel mwkernel_log)
    endif()
    if(TARGET ${kernel})
      # Libraries call each other in both directions (kernel hooks, blit
      # globals), so the archives are searched as one group.
      target_link_libraries(${variant} INTERFACE
        "$<LINK_GROUP:RESCAN,${libs},${kernel}>")
    endif()
    if(TARGET mwplatform)
      target_link_libraries(${variant} INTERFACE mwplatform)
    endif()
    target_link_libraries(${variant} INTERFACE marrow_include)
  endforeach()
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

# marrow_gtest(<name> SOURCES <files>... [LIBS <targets>...])
# One GoogleTest executable; its cases are discovered by ctest.
function(marrow_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    MARROW_RUN_DIR="${MARROW_RUN_DIR}"
    MARROW_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  # Each case is labelled with its program, so a run can pick whole suites
  # (ctest -L).
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "MARROW_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp" LABELS ${name})
endfunction()
