# The machine information record: the SMBIOS table walk and the record
# builder (portable), and on Windows the reader that takes the table from WMI.
rm_portable_library(vtqwmi_machineinfo
  ${CMAKE_CURRENT_LIST_DIR}/SmbiosTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MachineInfoRecord.cpp)
