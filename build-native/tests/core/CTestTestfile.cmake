# CMake generated Testfile for 
# Source directory: /work/main/tests/core
# Build directory: /work/main/build-native/tests/core
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[core]=] "/work/main/build-native/tests/core/core_tests")
set_tests_properties([=[core]=] PROPERTIES  TIMEOUT "30" _BACKTRACE_TRIPLES "/work/main/tests/core/CMakeLists.txt;4;add_test;/work/main/tests/core/CMakeLists.txt;0;")
