# Real pseudo-terminals and the simulated unit; the pacing checks take time.
set_tests_properties(tst_serialport PROPERTIES TIMEOUT 120 LABELS "comm")
if(TARGET kelmora-unitsim)
  add_dependencies(tst_serialport kelmora-unitsim)
endif()
