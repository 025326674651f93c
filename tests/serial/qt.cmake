# The control over real pseudo-terminals, and the COM namespace over temporary directories.
tarn_add_gtest(serial_qt_tests
    SOURCES serialcontrol_test.cpp comnamespace_test.cpp
    LIBS tarn_serial tarn_test_pty tarn_test_process tarn_gtest_qt_main)
