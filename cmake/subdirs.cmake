# Adds every direct subfolder of the current folder that has a CMakeLists.txt, so that each subsystem brings its
# own tests, tools, fuzz targets and benchmarks without touching a shared list.
file(GLOB _pexu_children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
list(SORT _pexu_children)
foreach(_child IN LISTS _pexu_children)
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${_child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_child}/CMakeLists.txt)
    add_subdirectory(${_child})
  endif()
endforeach()
