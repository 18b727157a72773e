# GoogleTest and GoogleMock as GTest::gtest and GTest::gmock: the installed package, or built
# here from its sources when ECHOVANE_GTEST_SOURCE_DIR names them (a cross build has no
# installed GoogleTest for its target; Debian's googletest package puts the sources in
# /usr/src/googletest).
set(ECHOVANE_GTEST_SOURCE_DIR "" CACHE PATH
    "GoogleTest sources to build with the tests instead of the installed GoogleTest")

if(NOT ECHOVANE_GTEST_SOURCE_DIR)
    find_package(GTest REQUIRED)
    return()
endif()

if(NOT EXISTS ${ECHOVANE_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "ECHOVANE_GTEST_SOURCE_DIR: no GoogleTest sources in "
                        "${ECHOVANE_GTEST_SOURCE_DIR} (Debian: apt-get install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
# SYSTEM: its headers raise none of our warnings.
add_subdirectory(${ECHOVANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL
                 SYSTEM)
