# One target carries the settings every target of the project shares.
add_library(zelvo_common_settings INTERFACE)
target_compile_features(zelvo_common_settings INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(zelvo_common_settings INTERFACE -Wall -Wextra -Wpedantic)
if(ZELVO_WERROR)
  target_compile_options(zelvo_common_settings INTERFACE -Werror)
endif()

if(ZELVO_SANITIZE)
  list(JOIN ZELVO_SANITIZE "," zelvo_sanitizers)
  target_compile_options(zelvo_common_settings INTERFACE
    -fsanitize=${zelvo_sanitizers} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(zelvo_common_settings INTERFACE -fsanitize=${zelvo_sanitizers})
endif()

# add_zelvo_test(name SOURCES ... LIBS ... [LABEL unit|window|e2e [threads]] [QT])
# GoogleTest executables register each test case; QT marks a Qt Test executable
# that runs headless on the offscreen platform. The label `threads` also runs the
# test under ThreadSanitizer.
function(add_zelvo_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS;LABEL" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE zelvo_common_settings ${ARG_LIBS})
  if(ARG_QT)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL}"
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${name} TEST_LIST ${name}_TESTS DISCOVERY_TIMEOUT 60)
    # Labels go on after discovery: a list of them does not survive discovery's own properties.
    set(labels_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    file(WRITE ${labels_file} "set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${ARG_LABEL}\")\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels_file})
  endif()
endfunction()
