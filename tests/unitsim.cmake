# Starts several simulated units; history and pacing checks take seconds.
set_tests_properties(tst_unitsim PROPERTIES TIMEOUT 120 LABELS "comm;sim")
if(TARGET kelmora-unitsim)
  add_dependencies(tst_unitsim kelmora-unitsim)
endif()
