// Sockets of the device API over BSD sockets. A SOCKET is the descriptor itself and -1 stands
// for "no socket"; the address structures, byte-order and conversion routines, gethostname and
// gethostbyname are the host's.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "windef.h"

using SOCKET = int;
using u_long = unsigned long;
using u_short = unsigned short;
using TIMEVAL = timeval;
using SOCKADDR = sockaddr;
using SOCKADDR_IN = sockaddr_in;

#define INVALID_SOCKET (-1)
#define SOCKET_ERROR (-1)

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};
using LPWSADATA = WSADATA*;

// Start and end of the socket service. A start always succeeds; a cleanup without a matching
// start fails. A start also stops the process from being killed by SIGPIPE when it sends on a
// connection its peer has closed, since the device's sockets report that as a failed send.
int WSAStartup(WORD versionRequested, LPWSADATA data);
int WSACleanup();
int WSAGetLastError();

// Closes the descriptor after shutting the socket down, so that a thread blocked in a receive on
// it returns at once, as it does on the device (closing alone does not wake it on Linux).
int closesocket(SOCKET socket);

// FIONBIO switches non-blocking mode and FIONREAD tells the bytes waiting (FIONBIO and FIONREAD
// come from <sys/ioctl.h>); other commands are passed to ioctl.
int ioctlsocket(SOCKET socket, long command, u_long* argument);

// The device's select, declared as the device declares it (the timeout is const): the first
// argument is ignored, and the error set reports a socket with a pending error (a failed
// non-blocking connect), which the host's select never does. A socket in the write set counts as
// writable only when it is connected and has no pending error.
//
// It overloads the host's select, whose timeout is not const. A call with a timeout that is not
// const would pick the host's (which counts descriptors up to the first argument and knows no
// pending errors), so the deleted overload makes such a call ambiguous: it does not compile.
int select(int ignored, fd_set* readSet, fd_set* writeSet, fd_set* errorSet,
           const TIMEVAL* timeout);
int select(int, fd_set*, fd_set*, fd_set*, TIMEVAL* const&) = delete;
