// The portable runtime layer: threads, one mutex class, a semaphore, sockets with time-outs and a
// millisecond tick, over POSIX. Failures are reported by results only: -1 for sockets and calls,
// null for thread creation. Nothing here throws.
#pragma once

#include <cstdint>
#include <mutex>

// ---- runtime ----------------------------------------------------------------------------------

// Prepares the process for the runtime: a peer that vanishes must not kill us with SIGPIPE.
// Safe to call more than once. Returns 0.
int Vexo_InitEx();

// ---- failure seam (tests) ----------------------------------------------------------------------

// The runtime calls a test can make fail as the system would refuse them.
enum class Vexo_Fault { ThreadCreate, SocketCreate, SemCreate };
// After `skip` more calls succeed, the next `count` calls of that kind fail (null or -1).
// Vexo_ClearFaults() ends every planned failure.
void Vexo_FailNext(Vexo_Fault fault, int count, int skip = 0);
void Vexo_ClearFaults();

// ---- threads ----------------------------------------------------------------------------------

using Vexo_Thread = void*;                         // null when there is no thread
using Vexo_ThreadProc = std::intptr_t (*)(void*);  // takes the station pointer; result unused

// Starts `proc(arg)` on a new thread. The four options are accepted for compatibility and ignored.
// Returns null on failure.
Vexo_Thread Vexo_Thread_Create(Vexo_ThreadProc proc, void* arg, int opt1, int opt2, int opt3,
                               int opt4);
// Waits until the thread has ended and releases its handle. Returns 0, or -1 for a null handle.
int Vexo_Thread_Wait(Vexo_Thread thread);

// ---- time ---------------------------------------------------------------------------------------

// Milliseconds of a monotonic clock. Callers keep the low 32 bits and take differences modulo 2^32.
std::uint64_t Vexo_GetTimeTick();
// Test seam: shifts every later tick by `offsetMs`, so tests can make the 32-bit tick wrap.
void Vexo_SetTimeTickOffset(std::uint64_t offsetMs);
// Sleeps the calling thread.
void Vexo_Sleep(int milliseconds);

// ---- mutex --------------------------------------------------------------------------------------

class Vexo_Mutex {
  public:
    Vexo_Mutex() = default;
    ~Vexo_Mutex() = default;
    Vexo_Mutex(const Vexo_Mutex&) = delete;
    Vexo_Mutex& operator=(const Vexo_Mutex&) = delete;

    int Lock() {
        m_mutex.lock();
        return 0;
    }
    int Unlock() {
        m_mutex.unlock();
        return 0;
    }

  private:
    std::mutex m_mutex;
};

// Locks on construction, unlocks on Release() or destruction; a second Release() does nothing.
class Vexo_Guard {
  public:
    explicit Vexo_Guard(Vexo_Mutex* mutex) : m_mutex(mutex) {
        if (m_mutex != nullptr) {
            m_mutex->Lock();
        }
    }
    ~Vexo_Guard() { Release(); }
    Vexo_Guard(const Vexo_Guard&) = delete;
    Vexo_Guard& operator=(const Vexo_Guard&) = delete;

    void Release() {
        if (m_mutex != nullptr) {
            m_mutex->Unlock();
            m_mutex = nullptr;
        }
    }

  private:
    Vexo_Mutex* m_mutex;
};

// ---- semaphore ----------------------------------------------------------------------------------

// Caller-owned record, all zero while no semaphore exists.
struct Vexo_Sem {
    void* impl = nullptr;
};

// Creates a counting semaphore with `count` tokens. Returns 0, or -1 on failure.
// On a record that already holds a semaphore, it sets the count of that one anew.
int Vexo_SemCreate(Vexo_Sem* sem, int count);
// Takes a token, waiting at most `timeoutMs`. Returns 0 when a token was taken, -1 otherwise
// (time-out, or no semaphore).
int Vexo_SemTimedWait(Vexo_Sem* sem, int timeoutMs);
// Gives a token back. Returns 0, or -1 when there is no semaphore.
int Vexo_SemPost(Vexo_Sem* sem);
// Releases the semaphore and zeroes the record. Nobody may be waiting on it.
void Vexo_SemDestroy(Vexo_Sem* sem);

// ---- sockets ------------------------------------------------------------------------------------

using Vexo_Socket = std::intptr_t;  // -1 when there is no socket
constexpr Vexo_Socket Vexo_InvalidSocket = -1;

// 28-byte address record: an IPv4 socket address in its first 16 bytes, zeros after, or an IPv6
// socket address in all 28.
struct Vexo_Addr {
    alignas(8) unsigned char bytes[28] = {};
};
// The families as the callers pass them (the Windows values).
constexpr int Vexo_FamilyIPv4 = 2;
constexpr int Vexo_FamilyIPv6 = 23;
// Fills `addr` for a dotted-decimal IPv4 text and a port. Returns 0, or -1 for a bad address text.
int Vexo_MakeIPv4Addr(Vexo_Addr* addr, const char* ip, std::uint16_t port);
// Fills `addr` for an IPv4 (dotted-decimal) or an IPv6 address text and a port. Returns 0, or -1
// for a text that is neither (host names are not looked up).
int Vexo_MakeAddr(Vexo_Addr* addr, const char* ip, std::uint16_t port);
// The record's family (Vexo_FamilyIPv4 or Vexo_FamilyIPv6), -1 for neither.
int Vexo_AddrFamily(const Vexo_Addr* addr);
// Port of an address record, in host order.
std::uint16_t Vexo_AddrPort(const Vexo_Addr* addr);

// The platform's descriptor set as the select call takes it: a count and up to 64 sockets.
constexpr int Vexo_SetSize = 64;
struct Vexo_FdSet {
    std::uint32_t fd_count = 0;
    Vexo_Socket fd_array[Vexo_SetSize] = {};
};
struct Vexo_TimeVal {
    long tv_sec = 0;
    long tv_usec = 0;
};

// Creates a socket (family 2 = IPv4 or 23 = IPv6, type 1 = stream, 2 = datagrams). Returns -1 on
// failure. An IPv6 socket bound to "::" also takes IPv4 connections.
Vexo_Socket Vexo_CreateSocket(int family, int type, int protocol);
// Lets a listening socket bind its port again at once while old connections linger in
// TIME_WAIT (another socket still listening on the port keeps the bind failing). Returns -1 on
// failure.
int Vexo_SetReuseAddr(Vexo_Socket sock);
// Binds to an address of the socket's family.
int Vexo_Bind(Vexo_Socket sock, const Vexo_Addr* addr);
int Vexo_Listen(Vexo_Socket sock, int backlog);
// The port a bound socket listens on (useful after binding port 0). Returns -1 on failure.
int Vexo_LocalPort(Vexo_Socket sock);
// Waits at most `timeoutMs` for a connection. Returns the new socket, or -1 on time-out or failure.
// `peer` may be null.
Vexo_Socket Vexo_Accept(Vexo_Socket listenSock, Vexo_Addr* peer, int timeoutMs);
// Connects with a time-out. Returns the new socket, or -1. (Used by tests and tools.)
Vexo_Socket Vexo_Connect(const Vexo_Addr* addr, int timeoutMs);
// Shuts the connection down in both directions, waking any thread blocked on it, then closes it.
// The second argument is kept for compatibility. Returns 0, or -1 for an invalid socket.
int Vexo_CloseSocket(Vexo_Socket sock, int flags);
// Waits until a socket of `readSet` is readable. On return `readSet` holds only the ready sockets
// (in their order). `nfds`, `writeSet` and `errorSet` are accepted for compatibility; write and
// error sets must be null. A null `timeout` waits forever. Returns the number of ready sockets,
// 0 on time-out, -1 on failure.
// A socket whose peer hung up, that failed, or that is no longer open counts as ready: the
// following receive reports it with -1.
int Vexo_Select(int nfds, Vexo_FdSet* readSet, Vexo_FdSet* writeSet, Vexo_FdSet* errorSet,
                const Vexo_TimeVal* timeout);
// Receives at most `len` bytes, waiting at most `timeoutMs` for the first. Returns the number of
// bytes received (at least 1); 0 when the time-out passed without data; -1 when the peer closed
// the connection in order (errno 0), reset it (ECONNRESET), or the socket failed (errno says why).
int Vexo_RecvWithTimeOut(Vexo_Socket sock, char* buf, int len, int timeoutMs);
// Sends all `len` bytes, waiting at most `timeoutMs` in all. Returns `len`, or -1 when the
// connection failed or the time ran out before everything was sent; errno then tells which
// (ETIMEDOUT when the time ran out, EPIPE or ECONNRESET when the peer went away).
int Vexo_Sendn(Vexo_Socket sock, const char* buf, int len, int timeoutMs);
