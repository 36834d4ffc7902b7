# Test sources that need what only Linux has (fork and wait, resource limits,
# POSIX sockets in the test itself, systemd, the heartbeat file); the Windows
# build leaves them out.
set(linux_only_tests)
foreach(file app/CtlTest.cpp app/ShowCommandTest.cpp datastream/SpoolFileTest.cpp
             hostspool/FtpHostProcess.cpp hostspool/ScriptedServer.cpp hostspool/FtpClientTest.cpp
             hostspool/FtpConnectionTest.cpp hostspool/RetrievalTest.cpp hostspool/TlsChannelTest.cpp
             hostspool/FtpBoundsTest.cpp
             service/RegistrationTest.cpp service/HeartbeatFileTest.cpp session/SocketTest.cpp
             platform/DetachedProcessTest.cpp session/TlsSocketTest.cpp session/PdfCopyQueueTest.cpp
             app/PdfCommandTest.cpp)
  list(APPEND linux_only_tests ${CMAKE_CURRENT_SOURCE_DIR}/${file})
endforeach()

# Cases whose subject is Linux's own behaviour, left out under Windows:
# - the connect seam sets errno, which Windows Sockets does not read;
# - opening a folder as a file is "Permission denied" on Windows, not "Is a directory";
# - the C.UTF-8 locale does not exist there;
# - the soak test counts /proc descriptors, which Wine only imitates;
# - PDF copies are left out of the Windows build.
set(windows_test_filter_session "-SessionTest.ConnectThatCannotStartEndsTheSession:SessionTest.UnreadableCvTableIsOneLineAndTheSessionRuns:SessionTest.LargeDocumentsPdfIsMadeWhileTheRecordsGoOn")
set(windows_test_filter_datastream "-Tables.CaseFoldingOfEveryByteBothWays:CvTable.FromFileTellsAMissingFileFromAnUnreadableOne")
set(windows_test_filter_service "-DayOfCyclesTest.ADayOfCyclesStaysFlatAndRollsItsLogs")
