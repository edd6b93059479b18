set_tests_properties(tst_messagebox PROPERTIES TIMEOUT 60 LABELS gui)
