#include "answer/answer_script.h"

#include <array>
#include <cctype>
#include <utility>

namespace corvane::answer {

namespace {

struct NamedWord {
    std::string_view name;
    Word word;
    bool siaDcsOnly;
};

constexpr std::array kWords = {
    NamedWord{"ACK", Word::Ack, false},       NamedWord{"NACK", Word::Nack, false},
    NamedWord{"CUSTOM", Word::Custom, false}, NamedWord{"NONE", Word::None, false},
    NamedWord{"NAK", Word::Nak, true},        NamedWord{"DUH", Word::Duh, true},
};

struct Token {
    enum Kind { Name, Number, Star, Comma, End, Bad } kind = End;
    std::string text;  // upper-cased name, or the digits
    std::size_t position = 0;
};

// Splits the text into names, numbers, "*" and ",". Everything else is a bad token.
class Lexer {
  public:
    explicit Lexer(std::string_view text) : m_text(text) {}

    Token next() {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at]))) {
            ++m_at;
        }
        Token token;
        token.position = m_at + 1;
        if (m_at == m_text.size()) {
            return token;
        }
        const char c = m_text[m_at];
        const auto isAlpha = [](char ch) { return std::isalpha(static_cast<unsigned char>(ch)); };
        const auto isDigit = [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); };
        if (c == '*' || c == ',') {
            token.kind = c == '*' ? Token::Star : Token::Comma;
            ++m_at;
        } else if (isAlpha(c)) {
            token.kind = Token::Name;
            while (m_at < m_text.size() && isAlpha(m_text[m_at])) {
                token.text +=
                    static_cast<char>(std::toupper(static_cast<unsigned char>(m_text[m_at++])));
            }
        } else if (isDigit(c)) {
            token.kind = Token::Number;
            while (m_at < m_text.size() && isDigit(m_text[m_at])) {
                token.text += m_text[m_at++];
            }
        } else {
            token.kind = Token::Bad;
            token.text = std::string(1, c);
            ++m_at;
        }
        return token;
    }

  private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

class Parser {
  public:
    Parser(std::string_view text, bool siaDcs) : m_lexer(text), m_siaDcs(siaDcs) { advance(); }

    ParseResult parse() {
        ParseResult result;
        Script script;
        if (m_token.kind == Token::End) {
            return fail(result, "the script is empty");
        }
        while (true) {
            Step step;
            std::int64_t repeat = 1;
            if (!parseStep(step, repeat)) {
                result.error = m_error;
                return result;
            }
            if (script.steps.size() + static_cast<std::size_t>(repeat) > kMaxSteps) {
                return fail(result, "more than " + std::to_string(kMaxSteps) + " steps");
            }
            script.steps.insert(script.steps.end(), static_cast<std::size_t>(repeat), step);
            if (m_token.kind == Token::End) {
                break;
            }
            if (m_token.kind != Token::Comma) {
                return fail(result, "expected \",\" between steps");
            }
            advance();
        }
        result.script = std::move(script);
        return result;
    }

  private:
    bool parseStep(Step& step, std::int64_t& repeat) {
        if (isName("DELAY")) {
            advance();
            if (!number(step.delayMs, "a delay in milliseconds after DELAY", 0, kMaxDelayMs)) {
                return false;
            }
        }
        if (m_token.kind != Token::Name) {
            return error(m_token.kind == Token::Comma || m_token.kind == Token::End
                             ? "expected an answer word"
                             : "expected an answer word, not \"" + m_token.text + "\"");
        }
        const NamedWord* named = nullptr;
        for (const NamedWord& candidate : kWords) {
            if (candidate.name == m_token.text) {
                named = &candidate;
            }
        }
        if (named == nullptr) {
            return error("unknown word \"" + m_token.text + "\"");
        }
        if (named->siaDcsOnly && !m_siaDcs) {
            return error("\"" + m_token.text + "\" is a SIA-DCS answer");
        }
        step.word = named->word;
        advance();
        if (isName("CLOSE")) {
            advance();
            step.closeMs = 0;
            if (m_token.kind == Token::Number || m_token.kind == Token::Bad) {
                if (!number(step.closeMs, "a time in milliseconds after CLOSE", 0, kMaxDelayMs)) {
                    return false;
                }
            }
        }
        if (m_token.kind == Token::Star) {
            advance();
            if (!number(repeat, "a repeat count after \"*\"", 1, kMaxRepeat)) {
                return false;
            }
        }
        if (m_token.kind == Token::Name || m_token.kind == Token::Number ||
            m_token.kind == Token::Bad) {
            return error("unexpected \"" + m_token.text + "\"");
        }
        return true;
    }

    bool number(std::int64_t& out, const std::string& what, std::int64_t low, std::int64_t high) {
        if (m_token.kind == Token::Bad && m_token.text == "-") {
            return error("negative numbers are not allowed");
        }
        if (m_token.kind != Token::Number) {
            return error("expected " + what);
        }
        // Long digit runs are refused before they could overflow.
        if (m_token.text.size() > 10 || std::stoll(m_token.text) > high) {
            return error(what.substr(2) + " above " + std::to_string(high));
        }
        out = std::stoll(m_token.text);
        if (out < low) {
            return error(what.substr(2) + " below " + std::to_string(low));
        }
        advance();
        return true;
    }

    bool isName(std::string_view name) const {
        return m_token.kind == Token::Name && m_token.text == name;
    }
    void advance() { m_token = m_lexer.next(); }
    bool error(std::string reason) {
        m_error = ParseError{m_token.position, std::move(reason)};
        return false;
    }
    ParseResult& fail(ParseResult& result, std::string reason) {
        error(std::move(reason));
        result.error = m_error;
        return result;
    }

    Lexer m_lexer;
    bool m_siaDcs;
    Token m_token;
    ParseError m_error;
};

}  // namespace

const char* noteName(Word word) {
    switch (word) {
        case Word::Ack:
            return "ACK";
        case Word::Nack:
            return "NACK";
        case Word::Custom:
            return "custom";
        case Word::None:
            return "none";
        case Word::Nak:
            return "NAK";
        case Word::Duh:
            return "DUH";
    }
    return "none";
}

std::string ParseError::text() const {
    return "position " + std::to_string(position) + ": " + reason;
}

ParseResult parseScript(std::string_view text, bool siaDcs) {
    return Parser(text, siaDcs).parse();
}

std::string stepText(const Step& step) {
    std::string text;
    if (step.delayMs > 0) {
        text += "DELAY " + std::to_string(step.delayMs) + " ";
    }
    for (const NamedWord& named : kWords) {
        if (named.word == step.word) {
            text += named.name;
        }
    }
    if (step.closeMs >= 0) {
        text += " CLOSE";
        if (step.closeMs > 0) {
            text += " " + std::to_string(step.closeMs);
        }
    }
    return text;
}

}  // namespace corvane::answer
