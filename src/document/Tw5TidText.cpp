// The `.tid` text form of a tiddler, as the conflict dialog shows it and takes an edit back.
#include <algorithm>

#include "document/Tw5Store.h"

namespace korvane {

namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A field that a `name: value` line shows exactly as it is.
bool fitsHeaderLine(const Field& f) {
    const auto bad = [](char c) { return c == '\n' || c == '\r'; };
    return !f.name.empty() && f.name.front() != '#' && f.name.front() != '{' &&
           f.name.find_first_of(": \t\r\n") == std::string::npos &&
           std::none_of(f.value.begin(), f.value.end(), bad) &&
           (f.value.empty() || (!isAsciiSpace(f.value.front()) && !isAsciiSpace(f.value.back())));
}

std::string trimmed(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && isAsciiSpace(s[b])) {
        ++b;
    }
    while (e > b && isAsciiSpace(s[e - 1])) {
        --e;
    }
    return std::string(s.substr(b, e - b));
}

}  // namespace

std::string toTidText(const Fields& fields) {
    std::vector<const Field*> sorted;
    const Field* text = nullptr;
    bool tid = true;
    for (const Field& f : fields) {
        if (f.name == "text") {
            text = &f;
            tid = tid && f.value.find('\r') == std::string::npos;
        } else {
            sorted.push_back(&f);
            tid = tid && fitsHeaderLine(f);
        }
    }
    std::sort(sorted.begin(), sorted.end(), [](const Field* x, const Field* y) { return x->name < y->name; });
    std::string out;
    if (tid && text != nullptr) {
        for (const Field* f : sorted) {
            out += f->name + ": " + f->value + "\n";
        }
        out += "\n";
        out += text->value;
        return out;
    }
    if (text != nullptr) {
        sorted.push_back(text);
    }
    out += "{";
    for (const Field* f : sorted) {
        out += out.size() > 1 ? ",\n    " : "\n    ";
        appendJsonString(out, f->name, false);
        out += ": ";
        appendJsonString(out, f->value, false);
    }
    out += "\n}";
    return out;
}

ReadProblem fromTidText(std::string_view box, Fields& fields) {
    fields.clear();
    std::string text;
    text.reserve(box.size());
    // Each carriage return before a line feed is dropped; the runs between are copied whole.
    for (std::size_t i = 0; i < box.size();) {
        const std::size_t cr = std::min(box.find("\r\n", i), box.size());
        text.append(box.substr(i, cr - i));
        i = cr + 1;
    }
    const std::size_t lead = text.find_first_not_of(" \t\n");
    if (lead != std::string::npos && text[lead] == '{') {
        const ReadProblem problem = readJsonObject(text, fields);
        return problem ? "It is not valid JSON: " + *problem + "." : ReadProblem();
    }
    std::size_t p = 0;
    for (std::size_t line = 1;; ++line) {
        const std::size_t end = text.find('\n', p);
        if (end == std::string::npos) {
            fields.clear();
            return "There is no blank line between the fields and the text.";
        }
        const std::string_view l = std::string_view(text).substr(p, end - p);
        p = end + 1;
        if (l.empty()) {
            break;
        }
        const std::size_t colon = l.find(':');
        const std::string name =
            colon == std::string_view::npos ? std::string() : trimmed(l.substr(0, colon));
        if (name.empty() || name.find_first_of(" \t") != std::string::npos) {
            fields.clear();
            return "Line " + std::to_string(line) + " is not a field line (name: value).";
        }
        if (fieldValue(fields, name) != nullptr || name == "text") {
            fields.clear();
            return "The field \"" + name + "\" is given twice.";
        }
        fields.push_back({name, trimmed(l.substr(colon + 1))});
    }
    if (fieldValue(fields, "title") == nullptr || fieldValue(fields, "title")->empty()) {
        fields.clear();
        return "The tiddler has no title.";
    }
    fields.push_back({"text", text.substr(p)});
    return {};
}

}  // namespace korvane
