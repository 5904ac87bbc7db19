# Project-wide compiler settings and the helpers every folder uses.

set(KIV_WARNINGS -Wall -Wextra)
if(KIV_WERROR)
  list(APPEND KIV_WARNINGS -Werror)
endif()

if(KIV_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(KIV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KIV_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
endif()

# kiv_library(NAME SOURCES... [LIBS ...] [PRIVATE_LIBS ...] [TYPE STATIC|SHARED])
# LIBS are the libraries the target's own headers include, so its users get them too;
# PRIVATE_LIBS are used by its sources only.
function(kiv_library name)
  cmake_parse_arguments(ARG "" "TYPE" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  if(NOT ARG_TYPE)
    set(ARG_TYPE STATIC)
  endif()
  add_library(${name} ${ARG_TYPE} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${KIV_WARNINGS})
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
  if(ARG_PRIVATE_LIBS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_LIBS})
  endif()
endfunction()

# kiv_executable(NAME SOURCES... [LIBS ...])
function(kiv_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${KIV_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()

# kiv_test(NAME LABEL unit|gui|x11|corpus SOURCES... [LIBS ...])
# One GoogleTest executable per folder; every test case becomes a CTest test with the label.
function(kiv_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${KIV_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(env "")
  if(ARG_LABEL STREQUAL "gui")
    set(env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${ARG_LABEL} ENVIRONMENT "${env}"
    NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 60)
endfunction()
