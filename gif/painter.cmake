target_sources(gif PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/painter.cpp)
