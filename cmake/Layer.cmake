# A layer is one static library made of every .cpp in its folder; its tests are one GoogleTest
# executable per *_test.cpp in tests/<layer>/, linked against that layer only, so a test that
# reaches past its layer fails to link.
function(qfx_layer name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A layer whose modules have not arrived yet still links.
    set(empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${empty} "")
    set(sources ${empty})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

function(qfx_layer_tests layer)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(test_source ${tests})
    get_filename_component(test_name ${test_source} NAME_WE)
    add_executable(${test_name} ${test_source})
    target_link_libraries(${test_name} PRIVATE ${layer} ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
    add_test(NAME ${layer}.${test_name} COMMAND ${test_name})
    set_tests_properties(${layer}.${test_name} PROPERTIES TIMEOUT 600)
  endforeach()
endfunction()
