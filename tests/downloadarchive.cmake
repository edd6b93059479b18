set_tests_properties(tst_downloadarchive PROPERTIES TIMEOUT 60 LABELS "files;unit")
