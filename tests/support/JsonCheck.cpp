#include "support/JsonCheck.h"

#include "support/TempHome.h"

#include <cstdio>
#include <sys/wait.h>

namespace quarlo::test {

namespace {

constexpr const char* kScript = R"py(
import json, sys

def refuse(name):
    raise ValueError("not JSON: " + name)

def unique(pairs):
    keys = [key for key, _ in pairs]
    if len(set(keys)) != len(keys):
        raise ValueError("duplicate key")
    return dict(pairs)

with open(sys.argv[1], encoding="utf-8", errors="strict") as f:
    doc = json.load(f, parse_constant=refuse, object_pairs_hook=unique)

def walk(path, value):
    if isinstance(value, dict):
        print(path + "\t{}" + json.dumps(list(value.keys()), ensure_ascii=False))
        for key, item in value.items():
            walk(path + "/" + key, item)
    elif isinstance(value, list):
        print(path + "\t[]" + str(len(value)))
        for i, item in enumerate(value):
            walk(path + "/" + str(i), item)
    else:
        print(path + "\t" + json.dumps(value, ensure_ascii=False))

walk("", doc)
)py";

} // namespace

std::string ParsedJson::at(const std::string& path) const {
    const auto found = values.find(path);
    return found == values.end() ? "(missing)" : found->second;
}

ParsedJson parseJson(const std::string& text) {
    TempDir dir;
    writeWholeFile(dir.path() + "doc.json", text);
    writeWholeFile(dir.path() + "walk.py", kScript);
    const std::string command = "PYTHONIOENCODING=utf-8 python3 '" + dir.path() + "walk.py' '" +
                                dir.path() + "doc.json' 2>&1";
    ParsedJson parsed;
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        const int status = ::pclose(pipe);
        parsed.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (!parsed.ok) {
        parsed.problem = output;
        return parsed;
    }
    for (std::size_t start = 0; start < output.size();) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        const std::string line = output.substr(start, end - start);
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos)
            parsed.values[line.substr(0, tab)] = line.substr(tab + 1);
        start = end + 1;
    }
    return parsed;
}

} // namespace quarlo::test
