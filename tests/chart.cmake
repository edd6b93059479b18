# Widget tests with real timers (the 250 ms resize wait).
set_tests_properties(tst_chart PROPERTIES TIMEOUT 120)
