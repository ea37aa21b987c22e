# lumi_library(<name> [LINKS <libs>...] [EXTRA_SOURCES <files>...])
# A static library from every .cpp in the calling folder (not its subfolders),
# plus the extra sources given (platform/ adds its posix/ folder so).
function(lumi_library name)
  cmake_parse_arguments(L "" "" "LINKS;EXTRA_SOURCES" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${srcs} ${L_EXTRA_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LINKS} Threads::Threads)
endfunction()

# lumi_test_folder(LINKS <libs>...)
# Every *_test.cpp in the calling folder becomes one GoogleTest executable and
# one CTest test. The label comes from the file name: "*_pty_test.cpp" -> pty
# (real pseudo-terminals, threads), "*_qt_test.cpp" -> qt (offscreen Qt), any
# other -> unit.
function(lumi_test_folder)
  cmake_parse_arguments(T "" "" "LINKS;QT_LINKS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    set(label unit)
    if(name MATCHES "_pty_test$")
      set(label pty)
    elseif(name MATCHES "_qt_test$")
      set(label qt)
      if(NOT LUMI_WITH_QT)
        continue()
      endif()
    endif()
    add_executable(${name} ${src} ${helpers})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_definitions(${name} PRIVATE LUMI_TEST_OUTPUT_DIR="${CMAKE_BINARY_DIR}/test-output")
    target_link_libraries(${name} PRIVATE ${T_LINKS} GTest::gtest GTest::gmock GTest::gtest_main)
    if(label STREQUAL "qt")
      target_link_libraries(${name} PRIVATE ${T_QT_LINKS})
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT 600
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMI_TEST_OUTPUT=${CMAKE_BINARY_DIR}/test-output")
  endforeach()
endfunction()

# lumi_test_read_faults(<test targets>...)
# Gives the tests tests/support/ReadFault.h: reads of a chosen file that fail
# partway. Only these executables carry its read() in front of the C library's.
function(lumi_test_read_faults)
  foreach(name ${ARGN})
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/ReadFault.cpp)
    target_link_libraries(${name} PRIVATE ${CMAKE_DL_LIBS})
  endforeach()
endfunction()
