set_tests_properties(tst_csvexport PROPERTIES TIMEOUT 60 LABELS "files;unit")
