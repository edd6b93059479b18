set_tests_properties(tst_mainwindow PROPERTIES TIMEOUT 90 LABELS gui)
