#include "receiver/replay_file.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <optional>

#include "record/record_import.h"
#include "station_cli/cli_conventions.h"

namespace corvane::sim {

namespace {

constexpr std::string_view kSiaDcsToken = "\"SIA-DCS\"";
constexpr std::string_view kNullToken = "\"NULL\"";

// The DC-09 text between the ID token and "[", which the answer copies.
std::string echoOf(const std::string& frame) {
    std::size_t token = frame.find(kSiaDcsToken);
    std::size_t length = kSiaDcsToken.size();
    if (token == std::string::npos) {
        token = frame.find(kNullToken);
        length = kNullToken.size();
    }
    if (token == std::string::npos) {
        return {};
    }
    const std::size_t open = frame.find('[', token);
    return frame.substr(token + length,
                        open == std::string::npos ? std::string::npos : open - token - length);
}

// The kind by the line's ID, for the report (the station decides what it really is).
Kind kindOf(const std::string& raw, Protocol protocol) {
    if (protocol == Protocol::SiaDcs) {
        return raw.find(kSiaDcsToken) == std::string::npos ? Kind::Null : Kind::Dc09;
    }
    switch (raw.front()) {
        case '0':
            return Kind::Private;
        case 'S':
            return Kind::Sia;
        case '5':
            return Kind::Cid;
        case 'Q':
            return Kind::Cid10;
        case '1':
            return raw.find('@') != std::string::npos ? Kind::Heartbeat : Kind::Signal;
        case '3':
            return Kind::Sia1;
        case '4':
            return Kind::CallerId;
        case '6':
            return Kind::Bfsk;
        case '8':
            return Kind::Ademco;
        default:
            return Kind::Heartbeat;
    }
}

// Cuts an export into records without holding more than one record and a buffer: a JSON Lines
// record ends at LF, a CSV record at an LF outside double quotes.
class RecordReader {
  public:
    enum class Got { Record, End, TooLong };

    RecordReader(std::istream& in, bool csv) : m_in(in), m_csv(csv) {}

    // The next record, line end included; `line` is the number of its first line.
    Got next(std::string& record, std::size_t& line) {
        record.clear();
        line = m_line;
        bool quoted = false;
        while (true) {
            if (m_pos == m_size && !refill()) {
                return record.empty() ? Got::End : Got::Record;  // cut short: the reader says so
            }
            std::size_t i = m_pos;
            bool ended = false;
            for (; i < m_size && !ended; ++i) {
                if (m_buffer[i] == '"' && m_csv) {
                    quoted = !quoted;
                } else if (m_buffer[i] == '\n') {
                    ++m_line;
                    ended = !quoted;
                }
            }
            record.append(m_buffer + m_pos, i - m_pos);
            m_pos = i;
            if (record.size() > kMaxReplayRecord) {
                return Got::TooLong;
            }
            if (ended) {
                return Got::Record;
            }
        }
    }

  private:
    bool refill() {
        m_in.read(m_buffer, sizeof m_buffer);
        m_size = static_cast<std::size_t>(m_in.gcount());
        m_pos = 0;
        return m_size > 0;
    }

    std::istream& m_in;
    bool m_csv;
    char m_buffer[64 * 1024];
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
};

// The reader's error for a record read on its own ("PATH:N: why", the record being line `base`
// there), told with the record's `line` in the file, in one line of bounded length.
std::string atLine(const std::string& error, const std::string& path, std::size_t base,
                   std::size_t line) {
    const std::string head = path + ":";
    std::size_t relative = 0;
    const char* digits = error.data() + head.size();
    const auto [end, ec] = std::from_chars(digits, error.data() + error.size(), relative);
    if (error.rfind(head, 0) != 0 || ec != std::errc() || relative < base) {
        return cli::oneLine(error, {});
    }
    return cli::oneLine(
        head + std::to_string(line + relative - base) + error.substr(end - error.data()), {});
}

// Hands one imported message to its connection's list.
void addMessage(ImportedMessage& m, RunOptions& options, std::int64_t start,
                std::map<std::uint64_t, std::size_t>& slotOf) {
    const auto [slot, added] = slotOf.emplace(m.connection, options.replay.size());
    if (added) {
        options.replay.emplace_back();
    }
    ReplayMessage r;
    r.atUs = std::max<std::int64_t>(0, m.receivedUs - start);
    r.kind = kindOf(m.raw, options.protocol);
    r.echo = options.protocol == Protocol::SiaDcs ? echoOf(m.raw) : std::string();
    r.bytes = std::move(m.raw);
    options.replay[slot->second].push_back(std::move(r));
}

}  // namespace

std::string loadReplay(const std::string& path, RunOptions& options) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return path + ": cannot be read";
    }
    const bool csv = in.peek() == 's';
    if (!csv && in.peek() != '{') {
        char head[16] = {};
        in.read(head, sizeof head);
        const auto refused =
            importRecordsText(std::string(head, static_cast<std::size_t>(in.gcount())), path);
        return refused ? path + ": holds no message to replay" : refused.error().why;
    }
    RecordReader reader(in, csv);
    std::string header;  // CSV: each record is read after the header, as in the whole file
    std::string record;
    std::size_t line = 0;
    if (csv && reader.next(header, line) != RecordReader::Got::Record) {
        return path + ":1: not a Corvane records export (header line differs)";
    }
    if (csv) {
        if (const auto checked = importRecordsText(header, path); !checked) {
            return checked.error().why;
        }
    }
    options.replay.clear();
    std::map<std::uint64_t, std::size_t> slotOf;  // recorded connection -> replay connection
    std::optional<std::int64_t> start;
    for (RecordReader::Got got; (got = reader.next(record, line)) != RecordReader::Got::End;) {
        if (got == RecordReader::Got::TooLong) {
            return path + ":" + std::to_string(line) + ": the record is longer than 1 MiB";
        }
        auto imported = importRecordsText(csv ? header + record : record, path);
        if (!imported) {
            return atLine(imported.error().why, path, csv ? 2 : 1, line);
        }
        for (ImportedMessage& m : *imported) {
            if (!start) {
                start = m.receivedUs;
                options.protocol = m.protocol == "SIA-DCS"    ? Protocol::SiaDcs
                                   : m.protocol == "Sur-Gard" ? Protocol::SurGard
                                                              : options.protocol;
            }
            addMessage(m, options, *start, slotOf);
        }
    }
    return options.replay.empty() ? path + ": holds no message to replay" : std::string();
}

}  // namespace corvane::sim
