# Helpers shared by every subsystem folder.

set(KIOSK_PCH_HEADERS
  <QString> <QStringList> <QByteArray> <QVariant> <QDateTime> <QFile> <QDir>
  <memory> <vector> <functional> <mutex> <atomic> <stdexcept>)

# kiosk_library(<folder> [RECURSE] [LINKS lib...] [PUBLIC_LINKS lib...])
# Builds src/<folder>/*.cpp into the static library kiosk_<folder>; with
# RECURSE also the units of its subfolders (grouped by concern).
function(kiosk_library folder)
  cmake_parse_arguments(ARG "RECURSE" "" "LINKS;PUBLIC_LINKS;RESOURCES" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  else()
    file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  add_library(kiosk_${folder} STATIC ${_src} ${ARG_RESOURCES})
  target_include_directories(kiosk_${folder} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/..)
  target_link_libraries(kiosk_${folder} PUBLIC ${ARG_PUBLIC_LINKS} PRIVATE ${ARG_LINKS})
  target_compile_options(kiosk_${folder} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  target_precompile_headers(kiosk_${folder} PRIVATE ${KIOSK_PCH_HEADERS})
endfunction()

# kiosk_tests(<folder> LINKS lib...)
# Builds tests/<folder>/*.cpp into one GoogleTest program whose tests carry
# the label <folder> (ctest -L <folder>).
function(kiosk_tests folder)
  cmake_parse_arguments(ARG "WIDGETS" "" "LINKS;RESOURCES" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(tests_${folder} ${_src} ${ARG_RESOURCES})
  target_link_libraries(tests_${folder} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock)
  if(ARG_WIDGETS)
    target_link_libraries(tests_${folder} PRIVATE kiosk_testmain_widgets)
  else()
    target_link_libraries(tests_${folder} PRIVATE kiosk_testmain)
  endif()
  target_compile_definitions(tests_${folder} PRIVATE
    KIOSK_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    KIOSK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_precompile_headers(tests_${folder} PRIVATE ${KIOSK_PCH_HEADERS} <gtest/gtest.h>)
  gtest_discover_tests(tests_${folder}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${folder} TIMEOUT 300
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()
