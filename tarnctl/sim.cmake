# The virtual camera and the line monitor: their pseudo-terminal, output lines and window, in
# a library so the tests can use the window and the port on their own.
add_library(tarnctl_sim STATIC
    simport.h simport.cpp
    simline.h simline.cpp
    simview.h simview.cpp)
target_include_directories(tarnctl_sim PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnctl_sim PUBLIC tarn_ptz tarnctl_cli Qt6::Core Qt6::Widgets
    PRIVATE tarn_line tarn_warnings)
target_link_libraries(tarnctl PRIVATE tarnctl_sim)
