set_tests_properties(tst_badfiles PROPERTIES TIMEOUT 180 LABELS "files;unit")
