#include "platform/SocketErrors.h"

#include "platform/Socket.h"

#include <cerrno>

namespace oprinter {

int WinsockError(int errnoValue) {
    switch (errnoValue) {
        case 0: return 0;
        case EINTR: return 10004;
        case EBADF: return kWsaNotSocket;
        case EACCES: return 10013;
        case EFAULT: return 10014;
        case EINVAL: return 10022;
        case EMFILE:
        case ENFILE: return 10024;
#if EAGAIN != EWOULDBLOCK
        case EAGAIN:
#endif
        case EWOULDBLOCK: return kWsaWouldBlock;
        case EINPROGRESS: return 10036;
        case EALREADY: return 10037;
        case ENOTSOCK: return kWsaNotSocket;
        case EDESTADDRREQ: return 10039;
        case EMSGSIZE: return 10040;
        case EPROTOTYPE: return 10041;
        case ENOPROTOOPT: return 10042;
        case EPROTONOSUPPORT: return 10043;
        case ESOCKTNOSUPPORT: return 10044;
        case EOPNOTSUPP: return 10045;
        case EPFNOSUPPORT: return 10046;
        case EAFNOSUPPORT: return 10047;
        case EADDRINUSE: return 10048;
        case EADDRNOTAVAIL: return kWsaAddressNotAvailable;
        case ENETDOWN: return 10050;
        case ENETUNREACH: return 10051;
        case ENETRESET: return 10052;
        case ECONNABORTED: return 10053;
        case ECONNRESET: return 10054;
        case ENOBUFS:
        case ENOMEM: return kWsaNoBufferSpace;
        case EISCONN: return 10056;
        case ENOTCONN: return 10057;
        // Sending after the connection's write side has gone: Windows Sockets
        // calls that "cannot send after socket shutdown".
        case EPIPE:
        case ESHUTDOWN: return 10058;
        case ETOOMANYREFS: return 10059;
        case ETIMEDOUT: return 10060;
        case ECONNREFUSED: return 10061;
        case ELOOP: return 10062;
        case ENAMETOOLONG: return 10063;
        case EHOSTDOWN: return 10064;
        case EHOSTUNREACH: return 10065;
        case ENOTEMPTY: return 10066;
        case EUSERS: return 10068;
        case EDQUOT: return 10069;
        case ESTALE: return 10070;
        case EREMOTE: return 10071;
        default: return errnoValue;
    }
}

int LastSocketError() { return WinsockError(SocketErrorCode()); }

int ConnectError(int errnoValue) {
    if (errnoValue == EAGAIN) return kWsaNoBufferSpace;
    return WinsockError(errnoValue);
}

}  // namespace oprinter
