# The statistics pages and charts draw through the graphics layer and save through the GIF library's picture
# class, so they join the engine only when both are part of the build.
if(TARGET pf_graphics AND TARGET gif)
  get_target_property(_pexu_gif_sources gif SOURCES)
  if("gif_image.cpp" IN_LIST _pexu_gif_sources)
    target_sources(engine PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/statistik.cpp)
    target_link_libraries(engine PUBLIC gif pf_graphics)
  endif()
endif()
