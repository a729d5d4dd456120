# Adds each listed folder that exists and has a CMakeLists.txt.
function(vantrel_add_subdirs)
  foreach(dir IN LISTS ARGN)
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Adds every direct subfolder of the current folder that has a CMakeLists.txt, in name order.
function(vantrel_add_all_subdirs)
  file(GLOB children RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}/*")
  list(SORT children)
  foreach(dir IN LISTS children)
    if(IS_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/${dir}" AND EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
