#include "ui/mnemonics.h"

#include <array>
#include <string_view>

namespace corvane::ui {

namespace {

struct Marked {
    std::string_view caption;
    std::string_view marked;
};

// One letter each among the controls shown together. The Connect button's four captions are
// never shown together.
constexpr std::array kMarked = {
    Marked{"Connect", "&Connect"},
    Marked{"Disconnect", "&Disconnect"},
    Marked{"Start", "&Start"},
    Marked{"Close", "&Close"},
    Marked{"Show Log", "Show &Log"},
    Marked{"ACK All", "&ACK All"},
    Marked{"NACK All", "&NACK All"},
    Marked{"NACK All But Heartbeats", "NACK All &But Heartbeats"},
    Marked{"Custom Response To All", "Custom &Response To All"},
    Marked{"Custom Response To All But Heartbeats", "Custom Response To All But &Heartbeats"},
    Marked{"DC-09 Keys...", "DC-09 &Keys..."},
    Marked{"Answer Script...", "Ans&wer Script..."},
    Marked{"Messages...", "&Messages..."},
    // Labels: the letter moves to the field the label names.
    Marked{"Client/Server", "Client/Ser&ver"},
    Marked{"Receiver IP Address", "Receiver &IP Address"},
    Marked{"Number of lines to save", "Number of lines &to save"},
    Marked{"ReceiverType", "ReceiverT&ype"},
    Marked{"Automation Port", "Automation P&ort"},
    Marked{"Heartbeat Interval (s)", "Heartbeat Int&erval (s)"},
    Marked{"Custom Response (ASCII in decimal)", "C&ustom Response (ASCII in decimal)"},
    Marked{"Custom Response (text)", "C&ustom Response (text)"},
};

}  // namespace

QString withMnemonic(const QString& caption) {
    const QByteArray latin = caption.toLatin1();
    const std::string_view text(latin.constData(), static_cast<std::size_t>(latin.size()));
    for (const Marked& entry : kMarked) {
        if (entry.caption == text) {
            return QString::fromLatin1(entry.marked.data(),
                                       static_cast<qsizetype>(entry.marked.size()));
        }
    }
    return caption;
}

QString withoutMnemonic(QString caption) {
    return caption.remove(QLatin1Char('&'));
}

}  // namespace corvane::ui
