// Makes the messages one simulated receiver sends, in the exact line layouts of its type:
//   heartbeat  "1011           @    " + 0x14
//   cid        "5" RR LLL(MLR2000) or L(MLR2) " " "18" account(4) qualifier event(3) group(2)
//              zone(3) 0x14: 23 bytes (MLR2000) or 21 (MLR2)
//   cid10      the same with "Q" and a 10-digit account: 29 or 27 bytes
//   sia        "S" RR LLL/L " [#" account "|Nri1/" code group "]" 0x14
//   private    "0" RR LLL/L " PRIVATE " number 0x14
//   dc09       DC-09 frame, body "SIA-DCS" (quoted) seq R rcvr L line #acct [#acct|Nri1/code group]
//   null       DC-09 frame, body "NULL" (quoted) seq R0L0#acct []
//   adm-cid    DC-09 frame, body "ADM-CID" (quoted) seq R rcvr L line #acct [#acct|QEEE GG CCC]
// With a key for the account, DC-09 frames are sent encrypted (receiver/dc09_crypto.h).
// Every fifth Contact ID event is a device heartbeat (event code 602). The account and the DC-09
// receiver number tell the connections apart; the DC-09 sequence number runs 0001..9999.
#pragma once

#include <cstdint>
#include <string>

#include "receiver/dc09_crypto.h"
#include "receiver/message_kinds.h"

namespace corvane::sim {

struct Message {
    Kind kind;
    std::string bytes;  // exactly what goes on the wire
    // DC-09 only: the text between the ID token and the first "[", which the answer must copy.
    std::string echo;
    std::string key;  // DC-09: the key it was encrypted with; empty when sent in the clear
};

class MessageGenerator {
  public:
    MessageGenerator(ReceiverType type, int connectionIndex, const SimKeys* keys = nullptr);

    Message next(Kind kind);

  private:
    std::string surGardPrefix(char kindChar) const;  // kind character, RR, LLL or L
    std::string cid(char kindChar, int accountDigits);
    Message dc09Event();
    Message nullLinkTest();
    Message admCid();
    // A DC-09 frame of `token` (unquoted), in the clear or encrypted with the account's key.
    Message dc09Message(Kind kind, std::string_view token, const std::string& echo,
                        const std::string& account, const std::string& data);
    std::string nextSequence();

    ReceiverType m_type;
    const SimKeys* m_keys;
    int m_index;
    std::uint32_t m_cidCount = 0;
    std::uint32_t m_siaCount = 0;
    std::uint32_t m_privateCount = 0;
    std::uint32_t m_sequence = 0;
};

}  // namespace corvane::sim
