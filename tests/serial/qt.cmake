# The control over real pseudo-terminals.
tarn_add_gtest(serial_qt_tests
    SOURCES serialcontrol_test.cpp
    LIBS tarn_serial tarn_test_pty tarn_test_process tarn_gtest_qt_main)
