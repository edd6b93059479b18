set_tests_properties(tst_borrowedrecords PROPERTIES TIMEOUT 60 LABELS gui)
