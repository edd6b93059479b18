# LibreOffice converts several packages; on a busy machine that takes a while.
set_tests_properties(tst_ods PROPERTIES TIMEOUT 600 LABELS "files;integration")
