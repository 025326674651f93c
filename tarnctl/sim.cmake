# The output lines of the virtual camera and the line monitor, in a library so the tests can
# use them on their own.
add_library(tarnctl_sim STATIC
    simline.h simline.cpp)
target_include_directories(tarnctl_sim PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnctl_sim PUBLIC tarn_protocol tarnctl_cli Qt6::Core
    PRIVATE tarn_warnings)
target_link_libraries(tarnctl PRIVATE tarnctl_sim tarn_camera_qt)
