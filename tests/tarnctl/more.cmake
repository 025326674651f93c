# tarnctl ports and send against pseudo-terminals linked into a temporary ports directory.
tarn_add_gtest(tarnctl_port_tests
    SOURCES ports_send_test.cpp
    LIBS tarn_ptz tarn_serial tarn_test_pty tarn_test_process tarn_gtest_qt_main)
target_compile_definitions(tarnctl_port_tests PRIVATE TARNCTL_PATH="$<TARGET_FILE:tarnctl>")
add_dependencies(tarnctl_port_tests tarnctl)

# tarnctl with a ports directory that is not the user's alone.
tarn_add_gtest(tarnctl_trust_tests
    SOURCES portstrust_test.cpp
    LIBS tarn_test_pty tarn_test_process)
target_compile_definitions(tarnctl_trust_tests PRIVATE TARNCTL_PATH="$<TARGET_FILE:tarnctl>")
add_dependencies(tarnctl_trust_tests tarnctl)

# send ended early while the camera moves: the stop it sends, as a real process on a pty.
tarn_add_gtest(tarnctl_send_stop_tests
    SOURCES send_stop_test.cpp
    LIBS tarn_test_pty tarn_test_process)
target_compile_definitions(tarnctl_send_stop_tests PRIVATE TARNCTL_PATH="$<TARGET_FILE:tarnctl>")
add_dependencies(tarnctl_send_stop_tests tarnctl)

# Which frames leave a camera moving, for send's stop.
tarn_add_gtest(tarnctl_motion_guard_tests
    SOURCES motionguard_test.cpp
    LIBS tarnctl_cli tarn_test_process)

# tarnctl's one voice: the same texts from every command, COM names in any case, frame's actions.
tarn_add_gtest(tarnctl_voice_tests
    SOURCES voice_test.cpp
    LIBS tarn_line tarn_test_pty tarn_test_process tarn_gtest_qt_main)
target_compile_definitions(tarnctl_voice_tests PRIVATE TARNCTL_PATH="$<TARGET_FILE:tarnctl>")
add_dependencies(tarnctl_voice_tests tarnctl)
