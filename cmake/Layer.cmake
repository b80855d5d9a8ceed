# A layer is one static library made of every .cpp in its folder; its tests are one GoogleTest
# executable per *_test.cpp in tests/<layer>/, linked against that layer only, so a test that
# reaches past its layer fails to link.
#
# Each layer sees headers through an include root of its own that holds only its folder and the
# folders of the layers below it (links into the source tree), so that including a higher
# layer's header fails to compile even when nothing of it would be linked (an enum, an inline
# function).
function(qfx_layer name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  set(root ${PROJECT_BINARY_DIR}/include-roots/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(layer ${QFX_LAYERS})
    if(NOT EXISTS ${root}/${layer})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
    endif()
    if(layer STREQUAL name)
      break()
    endif()
  endforeach()
  target_include_directories(${name} PUBLIC ${root})
endfunction()

function(qfx_layer_tests layer)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(test_source ${tests})
    get_filename_component(test_name ${test_source} NAME_WE)
    add_executable(${test_name} ${test_source})
    target_link_libraries(${test_name} PRIVATE ${layer} ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
    # Shared fixtures are included as "tests/<layer>/....h".
    target_include_directories(${test_name} PRIVATE ${PROJECT_BINARY_DIR}/include-roots/tests)
    add_test(NAME ${layer}.${test_name} COMMAND ${test_name})
    # A test that skips says so in ctest's summary instead of passing unseen.
    set_tests_properties(${layer}.${test_name} PROPERTIES TIMEOUT 600
                         SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  endforeach()
endfunction()

# The tests' own root: the tests folder alone, beside the root of the layer each test links.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/include-roots/tests)
if(NOT EXISTS ${PROJECT_BINARY_DIR}/include-roots/tests/tests)
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/tests ${PROJECT_BINARY_DIR}/include-roots/tests/tests SYMBOLIC)
endif()
