#include "reports/ExportScript.h"

#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "platform/TextUtil.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>

namespace quarlo {

namespace {

void appendEscape(std::string& out, unsigned value) {
    char code[8];
    std::snprintf(code, sizeof code, "\\u%04x", value);
    out += code;
}

void appendArray(std::string& out, const std::vector<std::string>& values) {
    out += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += jsonString(values[i]);
    }
    out += ']';
}

std::uint64_t nextSerial() {
    // Started from the clock so that pages opened by separate runs of the program differ too.
    static std::atomic<std::uint64_t> serial{
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count())};
    return ++serial;
}

} // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = utf8CharLength(text, pos);
        if (length == 0) {
            out += "\\ufffd";
            ++pos;
            continue;
        }
        const std::string_view sequence = text.substr(pos, length);
        pos += length;
        const auto c = static_cast<unsigned char>(sequence[0]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '&') {
            appendEscape(out, c);
        } else if (sequence == "\xE2\x80\xA8" || sequence == "\xE2\x80\xA9") {
            appendEscape(out, sequence[2] == '\xA8' ? 0x2028 : 0x2029);
        } else {
            out += sequence;
        }
    }
    out += '"';
    return out;
}

std::string exportScriptText(const std::vector<std::string>& header,
                             const std::vector<std::vector<std::string>>& rows) {
    std::string out = "window.quarloExport = {\n  \"header\": ";
    appendArray(out, header);
    out += ",\n  \"rows\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += i == 0 ? "\n    " : ",\n    ";
        appendArray(out, rows[i]);
    }
    out += rows.empty() ? "]\n};\n" : "\n  ]\n};\n";
    return out;
}

std::string localFileUrl(const std::string& path) {
    return "file://" + percentEncode(path, isUnreservedOrSlash);
}

std::string skinPagePath(const TQLApp& app, const std::string& pageName) {
    return app.skinFile(pageName);
}

std::string skinPageUrl(const TQLApp& app, const std::string& pageName,
                        const std::string& scriptFile) {
    return localFileUrl(skinPagePath(app, pageName)) +
           "?data=" + percentEncode(localFileUrl(scriptFile)) +
           "&n=" + std::to_string(nextSerial());
}

} // namespace quarlo
