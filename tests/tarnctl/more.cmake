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

# tarnctl's one voice: the same texts from every command, COM names in any case, frame's actions.
tarn_add_gtest(tarnctl_voice_tests
    SOURCES voice_test.cpp
    LIBS tarn_line tarn_test_pty tarn_test_process tarn_gtest_qt_main)
target_compile_definitions(tarnctl_voice_tests PRIVATE TARNCTL_PATH="$<TARGET_FILE:tarnctl>")
add_dependencies(tarnctl_voice_tests tarnctl)
