// The station: the one record that holds everything the running tool knows (settings, protocol,
// activity log, counters, message queue, link threads and sockets), and the operations on it.
// It knows nothing of Qt: the main window builds on it and implements the Window interface.
//
// Sharing rules: flags, counters and the tick are atomics; m_msgList is guarded by
// m_msgListMutex; the activity log by m_logMutex; the texts the receiving threads read while the
// operator may edit them (custom response, receiver type) by m_settingsMutex. Every other member
// has one owner thread (the UI thread unless noted), and threads that borrow it are started after
// and joined before the owner changes it.
#pragma once

#include <atomic>
#include <boost/asio/io_service.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "answer/answer_scripts.h"
#include "dc09/dc09_settings.h"
#include "pipeline/received_message.h"
#include "platform/vexo.h"
#include "protocol/decode_note.h"
#include "station/activity_tap.h"
#include "station/timeouts.h"
#include "station/window.h"

namespace corvane {

class MessageRecords;

class Station {
  public:
    // `window` may be null: the station then runs without a window (NullWindow).
    explicit Station(Window* window = nullptr);
    // Stops a running link and joins every thread before the record goes away.
    virtual ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    Window& window() { return *m_window.load(); }
    // Attaches the main window (null detaches it). Safe while workers run: they see the old or the
    // new window, never a torn pointer.
    void setWindow(Window* window);
    // Attaches a listener to the activity log and the decoded messages (null detaches it). Set it
    // before the link starts; it must outlive every running worker.
    void setActivityTap(ActivityTap* tap) { m_activityTap = tap; }

    // ---- station record accessors ---------------------------------------------------------------
    std::uint32_t getLastHeartbeatTick() const { return m_lastHeartbeatTick.load(); }
    void setLastHeartbeatTick(std::uint32_t tick) { m_lastHeartbeatTick.store(tick); }
    std::string customResponse() const;
    void setCustomResponse(std::string text);
    std::string receiverType() const;
    void setReceiverType(std::string type);

    // ---- message records (record/): every decoded message, filled by the msgPro worker --------
    MessageRecords& records() { return *m_records; }
    const MessageRecords& records() const { return *m_records; }
    // For a reader that may outlive the station (a window destroyed after its owner's record).
    std::shared_ptr<MessageRecords> sharedRecords() const { return m_records; }

    // ---- decoding (protocol/) -------------------------------------------------------------------
    // Decodes one received message: counts it, stamps the tick, and assigns its description (left
    // as given for kinds without one). Runs on the msgPro worker.
    void parseLine(const std::string& message, std::string& description);
    // The same, also telling the kind it found (and a Contact ID event's code) in `note`.
    void parseLine(const std::string& message, std::string& description, DecodeNote& note);

    // ---- responses (protocol/) ------------------------------------------------------------------
    // The bytes that answer `message` under the current policy; empty when nothing is sent. Runs
    // on the receiving thread. When they are sent (SIA-DCS "NACK All" waits 2000 ms), and what a
    // running answer script sends instead, is answer::planAnswer's choice.
    std::string makeResponse(const std::string& message);
    // The same, also saying what the DC-09 settings learnt of the frame (its decryption).
    std::string makeResponse(const std::string& message, Dc09Reading& reading);
    static std::string makeAck(std::string_view message);
    static std::string makeNack(std::string_view message);

    // ---- message queue and worker (pipeline/) -------------------------------------------------
    // Appends one message with non-empty raw bytes for the msgPro worker (any thread).
    void queueMessage(ReceivedMessage message);
    // The msgPro worker's loop; returns once it sees m_stopFlag.
    void processMessages();
    // Decodes, counts and logs what waits in the queue now; false when it was empty. The worker's
    // loop runs it; a headless run calls it once more after the stop, so nothing answered stays
    // uncounted.
    bool processQueuedMessages();

    // ---- activity log (pipeline/) ---------------------------------------------------------------
    // Local date and time, "%4d/%02d/%02d %02d:%02d:%02d".
    static std::string getTimeStamp();
    // Appends `timeText` followed by `rest` as one step (any thread). `rest` ends with "\r\n".
    void appendLogLine(std::string_view timeText, std::string_view rest);
    // Shows the log in the box under the line limit and the Show Log switch (any thread).
    void updateLogView();
    // The whole log text (a copy), and its replacement by the save transfer (UI thread).
    std::string logText() const;
    void setLogText(std::string text);
    // What the log box must show after the latest refresh (called by the window when it paints).
    std::string logViewText() const;
    // Lines the box counts for the current log text: each CR LF ends a line, and the empty line
    // after the last one counts too.
    int logLineCount() const;

    // ---- answer scripts (answer/) ---------------------------------------------------------------
    answer::AnswerScripts& answerScripts() { return m_answerScripts; }

    // ---- client link (link/) -------------------------------------------------------------------
    bool connect();
    void MessageProc();
    // UI thread: stops a client link whose msg thread ended on its own (a lost connection or an
    // answer script's CLOSE) as Disconnect does, and connects again when reconnecting is on.
    // The msg thread asks for it through Window::requestLinkCheck; the timer checks too.
    void checkClientLink();

    // ---- server link (link/) -------------------------------------------------------------------
    bool startServer();
    void isConnected();
    void isDisconnect();

    // ---- connection control and heartbeat supervision (link/) ----------------------------------
    // Click on the Connect button: stops a running link, starts an idle one.
    void OnConnectButton();
    void doConnect();
    void doDisconnect();
    // The one-second timer: shows the counters and drops a silent link.
    void OnTimer();
    // Stops whatever link runs and joins every thread; does nothing when all is idle. Used when the
    // station goes away.
    void shutdownLink();

    // ---- the record (member names as the rest of the system knows them) ------------------------
    std::string m_receiverIp = "127.0.0.1";  // UI thread
    int m_port = 1025;                       // UI thread; the links use the low 16 bits
    int m_heartbeatInterval = 300;           // seconds; UI thread
    std::atomic<int> m_linesToSave{1000};    // written by the UI, read by the worker
    std::atomic<int> m_responseMode{0};      // 0..4, -1 when no radio button is checked
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_running{false};
    boost::asio::io_service m_ioService;  // owner of m_socket; never run
    boost::asio::ip::tcp::socket m_socket{m_ioService};
    Vexo_Thread m_msgThread = nullptr;  // client receive thread
    std::atomic<std::uint32_t> m_lastHeartbeatTick{0};
    std::string m_linkStatus = "TCP Disconnected";  // UI thread
    std::atomic<std::int64_t> m_cidCount{0};
    std::atomic<std::int64_t> m_siaCount{0};
    std::atomic<std::int64_t> m_sgHeartbeatCount{0};
    std::atomic<std::int64_t> m_sgPrivateCount{0};
    std::atomic<std::int64_t> m_deviceHeartCount{0};
    // Not shown in the window: messages of no known kind, and of a known kind that could not be
    // read (a malformed frame, a Contact ID of the wrong length, a decoder fault).
    std::atomic<std::int64_t> m_unknownCount{0};
    std::atomic<std::int64_t> m_errorCount{0};
    std::atomic<std::int64_t> m_undecryptableCount{0};  // DC-09 frames that could not be decrypted
    Vexo_Thread m_msgProThread = nullptr;               // decode worker
    std::vector<ReceivedMessage> m_msgList;             // guarded by m_msgListMutex
    Vexo_Mutex m_msgListMutex;
    std::atomic<int> m_showLog{0};        // 0 unchecked, 1 checked
    std::atomic<bool> m_stopFlag{false};  // asks the msgPro worker to end
    std::string m_mode = "Client";        // UI thread
    Vexo_Thread m_acceptThread = nullptr;
    std::atomic<bool> m_acceptStop{false};
    Vexo_Sem m_acceptSem;
    Vexo_Socket m_listenSocket = Vexo_InvalidSocket;
    std::atomic<Vexo_Socket> m_peerSocket{Vexo_InvalidSocket};  // written by the Accept thread
    Vexo_Thread m_selectThread = nullptr;
    std::atomic<bool> m_selectStop{false};
    std::string m_protocol;  // set once at start-up, before any thread
    Timeouts m_timeouts;     // UI thread; read by the link threads it starts

    // DC-09 keys, the answer to undecryptable frames, the time window, the answer words: set by
    // the UI thread, read by the receiving thread (its own lock).
    Dc09Settings m_dc09;

    // Numbers the receiver connections of this run, so each message names its connection.
    std::atomic<std::uint64_t> m_connectionSerial{0};

    // Native descriptor of m_socket while connected, so a stop can shut the connection down (which
    // wakes the msg thread's blocked read) without touching the socket object the thread uses.
    std::atomic<int> m_socketFd{-1};
    // Client mode: 1 once the msg thread ended on a loss, 2 on an answer script's CLOSE; cleared
    // at each start. Reconnecting: every m_reconnectSeconds (0 is off) after a loss.
    std::atomic<int> m_clientLinkEnded{0};
    std::atomic<int> m_reconnectSeconds{0};
    std::uint64_t m_reconnectDueTick = 0;  // UI thread; 0 when no reconnect waits
    // Serialises the link events (a receiver accepted or lost) with the timer's heartbeat check,
    // so the check never acts on a loss it has not yet seen.
    std::mutex m_linkEventMutex;

  private:
    // Starts the link; `interactive` shows a failed client connect in a message box.
    void startLink(bool interactive);
    void tryReconnect();

    std::shared_ptr<MessageRecords> m_records;  // thread-safe on its own
    NullWindow m_nullWindow;
    answer::AnswerScripts m_answerScripts;
    std::atomic<Window*> m_window;
    std::atomic<ActivityTap*> m_activityTap{nullptr};

    mutable std::mutex m_settingsMutex;  // guards the two texts below
    std::string m_customResponse;
    std::string m_receiverType = "MLR2000";

    // Activity log. m_logText is the log; m_viewText/m_viewFromFrozen/m_viewLength record what the
    // latest refresh showed, so the window can paint it later without copying on every refresh.
    mutable std::mutex m_logMutex;
    std::string m_logText;
    int m_logLineBreaks = 0;       // CR LF pairs in m_logText
    std::string m_frozenViewText;  // the text a refresh showed just before it emptied the log
    bool m_viewFromFrozen = false;
    std::size_t m_viewLength = 0;  // bytes of the shown text (a prefix of its source)
};

// Thread entries: each takes the station pointer, returns 0 at once for null, else runs its loop.
std::intptr_t msgProThreadEntry(void* dlg);
std::intptr_t msgThreadEntry(void* dlg);
std::intptr_t acceptThreadEntry(void* dlg);
std::intptr_t selectThreadEntry(void* dlg);

}  // namespace corvane
