#include "platform/SocketErrors.h"

#include <winsock2.h>

namespace oprinter {

// Windows Sockets numbers its errors itself.
int WinsockError(int errorCode) { return errorCode; }

int LastSocketError() { return ::WSAGetLastError(); }

int ConnectError(int errorCode) { return errorCode; }

}  // namespace oprinter
