// Makes the messages one simulated receiver sends, in the exact line layouts of its type. Sur-Gard
// lines start with their ID, RR "01" and the line: LLL "001" (MLR2000) or L "1" (MLR2); "000" or
// "0" for the receiver's own lines. Field widths below; every line ends with 0x14.
//   heartbeat   "1011" + 11 blanks + "@" + 4 blanks (MLR2), "101000" + the same (MLR2000)
//   signal      ID 1, 4 blanks, account(6, right-aligned), blank, event letter, area, zone(3)
//   line-status ID 1 as signal, account 0000, event letter, blank, " " + code(2)
//   audio       ID 1 as signal, account 0000, "P", blank, " 0" + the line digit
//   sia1        ID 3, 4 blanks, account(6), SIA code(2), zone(4)
//   caller-id   ID 4, account(6), area code(3), number(7)
//   cid         ID 5, blank, "18", account(4), qualifier, event(3), group(2), zone(3)
//   cid10       ID Q, blank, "58", account(10), qualifier, event(3), group(2), zone(3)
//   bfsk        ID 6, account(10, right-aligned), " " + event digit, " " + zone(3)
//   ademco      ID 8, account(4), blank, channels 1-4, blank, channels 5-8, blank, status digit
//   sia         ID S, "[#" account "|Nri1/" code group "]"
//   private     ID 0 (receiver's line), "[#0000|N" status code(2) "0001]"
//   dc09        DC-09 frame, body "SIA-DCS" (quoted) seq R rcvr L line #acct [#acct|Nri1/code
//   group] null        DC-09 frame, body "NULL" (quoted) seq R0L0#acct [] adm-cid     DC-09 frame,
//   body "ADM-CID" (quoted) seq R rcvr L line #acct [#acct|QEEE GG CCC]
// With --clock the receivers' clock "HH:MM:SS-dd/mm" follows the last field of signal,
// line-status, audio, sia1, caller-id, cid, bfsk and ademco lines. With a key for the account,
// DC-09 frames are sent encrypted (receiver/dc09_crypto.h). Every fifth Contact ID event is a
// device heartbeat (602). Without --account, the account (1000 + connection) and the DC-09
// receiver number tell the connections apart; the DC-09 sequence number runs 0001..9999.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "receiver/dc09_crypto.h"
#include "receiver/message_kinds.h"
#include "receiver/run_options.h"

namespace corvane::sim {

struct Message {
    Kind kind;
    std::string bytes;  // exactly what goes on the wire
    // DC-09 only: the text between the ID token and the first "[", which the answer must copy.
    std::string echo;
    std::string key;  // DC-09: the key it was encrypted with; empty when sent in the clear
};

// The Sur-Gard line `id`, RR, the line (the receiver's own line when `receiverOwn`), `body` and
// 0x14.
std::string surGardLine(ReceiverType type, char id, bool receiverOwn, std::string_view body);
// The heartbeat line of the receiver type.
std::string heartbeatLine(ReceiverType type);
// The receivers' clock suffix "HH:MM:SS-dd/mm" in local time.
std::string receiverClock(std::time_t now);

class MessageGenerator {
  public:
    // `options` must outlive the generator.
    MessageGenerator(const RunOptions& options, int connectionIndex);

    Message next(Kind kind);

  private:
    std::string surGard(Kind kind);
    std::string account(std::size_t width, char fill) const;
    std::string clock() const;
    std::string contactId(std::size_t accountWidth, std::string_view format);
    Message dc09Event();
    Message nullLinkTest();
    Message admCid();
    // A DC-09 frame of `token` (unquoted), in the clear or encrypted with the account's key.
    Message dc09Message(Kind kind, std::string_view token, const std::string& echo,
                        const std::string& account, const std::string& data);
    std::string nextSequence();

    const RunOptions& m_options;
    int m_index;
    std::uint32_t m_counts[16] = {};  // messages made so far, by kind
    std::uint32_t m_cidCount = 0;     // Contact ID events, shared by cid, cid10 and adm-cid
    std::uint32_t m_sequence = 0;
};

}  // namespace corvane::sim
