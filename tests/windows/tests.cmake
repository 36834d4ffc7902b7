# Test sources that need what only Linux has (fork and wait, resource limits,
# POSIX sockets in the test itself, systemd, the heartbeat file); the Windows
# build leaves them out.
set(linux_only_tests)
foreach(file app/CtlTest.cpp app/ShowCommandTest.cpp datastream/SpoolFileTest.cpp
             hostspool/FtpHostProcess.cpp hostspool/ScriptedServer.cpp hostspool/FtpClientTest.cpp
             hostspool/FtpConnectionTest.cpp hostspool/RetrievalTest.cpp
             service/RegistrationTest.cpp service/HeartbeatFileTest.cpp session/SocketTest.cpp)
  list(APPEND linux_only_tests ${CMAKE_CURRENT_SOURCE_DIR}/${file})
endforeach()
