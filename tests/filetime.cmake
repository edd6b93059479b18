set_tests_properties(tst_filetime PROPERTIES TIMEOUT 120 LABELS "files;unit")
