#include "answer/answer_script.h"

#include <array>
#include <cctype>
#include <utility>

namespace corvane::answer {

namespace {

// The script language's spelling of the answer words.
struct NamedWord {
    std::string_view name;
    AnswerWord word;
    bool siaDcsOnly;
};

constexpr std::array kWords = {
    NamedWord{"ACK", AnswerWord::Ack, false},       NamedWord{"NACK", AnswerWord::Nack, false},
    NamedWord{"CUSTOM", AnswerWord::Custom, false}, NamedWord{"NONE", AnswerWord::None, false},
    NamedWord{"NAK", AnswerWord::Nak, true},        NamedWord{"DUH", AnswerWord::Duh, true},
};

struct ParseError {
    std::size_t position = 0;  // 1-based character position in the text
    std::string reason;
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

    Result<Script> parse() {
        Script script;
        if (m_token.kind == Token::End) {
            return fail("the script is empty");
        }
        while (true) {
            Step step;
            std::int64_t repeat = 1;
            if (!parseStep(step, repeat)) {
                return failure();
            }
            if (script.steps.size() + static_cast<std::size_t>(repeat) > kMaxSteps) {
                return fail("more than " + std::to_string(kMaxSteps) + " steps");
            }
            script.steps.insert(script.steps.end(), static_cast<std::size_t>(repeat), step);
            if (m_token.kind == Token::End) {
                break;
            }
            if (m_token.kind != Token::Comma) {
                return fail("expected \",\" between steps");
            }
            advance();
        }
        return script;
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
    Unexpected<Failure> failure() const {
        return corvane::fail(
            "read", "script",
            "position " + std::to_string(m_error.position) + ": " + m_error.reason);
    }
    Unexpected<Failure> fail(std::string reason) {
        error(std::move(reason));
        return failure();
    }

    Lexer m_lexer;
    bool m_siaDcs;
    Token m_token;
    ParseError m_error;
};

}  // namespace

Result<Script> parseScript(std::string_view text, bool siaDcs) {
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
