// quarlo-cli zip: list, add, extract, delete and rename through the Zip browser's model, with
// its status lines and result messages printed.

#include "archive/ZipBrowserModel.h"
#include "archive/ZipTexts.h"
#include "cli/Commands.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "platform/UiHooks.h"

#include <iostream>
#include <optional>
#include <ostream>
#include <unistd.h>

namespace quarlo::cli {

namespace {

// Status lines (without progress updates) and messages printed; errors on stderr.
class PrintingHooks : public NullUiHooks {
public:
    explicit PrintingHooks(Context& context) : m_context(context) {}
    void setStatusLine(const std::string& text, int progress) override {
        if (progress < 0 && text != "Ready")
            m_context.out << text << "\n";
    }
    void showMessage(MessageKind kind, const std::string& text) override {
        if (kind == MessageKind::Error)
            m_context.err << "quarlo-cli: " << text << "\n";
        else
            m_context.out << text << "\n";
    }

private:
    Context& m_context;
};

// The Replace question on a terminal; anything but a terminal answers No.
class TerminalQuestions : public ZipBrowserListener {
public:
    explicit TerminalQuestions(Context& context) : m_context(context) {}
    ZipReplaceAnswer askReplace(const std::string& question) override {
        if (!::isatty(STDIN_FILENO))
            return ZipReplaceAnswer::No;
        std::string shown = question;
        for (char& c : shown)
            if (c == '\r')
                c = '\n';
        m_context.out << shown << "\n[y]es, [n]o, [c]ancel, [a]ll? " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || answer.empty())
            return ZipReplaceAnswer::No;
        switch (answer[0]) {
        case 'y':
        case 'Y':
            return ZipReplaceAnswer::Yes;
        case 'a':
        case 'A':
            return ZipReplaceAnswer::All;
        case 'c':
        case 'C':
            return ZipReplaceAnswer::Cancel;
        default:
            return ZipReplaceAnswer::No;
        }
    }

private:
    Context& m_context;
};

int outcome(int result) {
    return zipResultSeverity(result) == 2 ? 2 : 0;
}

// One row per entry: size, packed, ratio, time, name and comment; then the summary.
class ListPrinter : public ZipEvents {
public:
    explicit ListPrinter(Context& context) : m_context(context) {}
    void onListing(const ZipEntryInfo& info) override {
        if (info.isFolder)
            return;
        m_context.out << withThousands(info.size) << "\t" << withThousands(info.packed) << "\t"
                      << info.ratio << "%\t" << zipEntryTime(info.modified) << "\t" << info.name;
        if (!info.comment.empty())
            m_context.out << "   (" << info.comment << ")";
        m_context.out << "\n";
        ++listed;
        size += info.size;
        packed += info.packed;
    }
    std::int64_t listed = 0, size = 0, packed = 0;

private:
    Context& m_context;
};

int zipList(Context& context, const std::vector<std::string>& words) {
    if (words.size() < 2 || words.size() > 3)
        return context.fail("usage: zip list ARCHIVE [MASK]");
    ListPrinter printer(context);
    ZipComponent zip;
    zip.setEvents(&printer);
    zip.ZipFileName = absolutePath(words[1]);
    std::int64_t entries = 0;
    int result = zip.count(entries);
    if (outcome(result) == 0) {
        zip.FilesToProcess = {words.size() == 3 ? words[2] : "*.*"};
        result = zip.list();
    }
    if (outcome(result) != 0)
        return context.fail(zipResultMessage(result, "listing"));
    context.out << zipSummaryText(printer.listed, printer.size, printer.packed, entries) << "\n";
    return 0;
}

struct ZipSession {
    explicit ZipSession(Context& context, TQLApp& app)
        : hooks(context), questions(context), browser(app) {
        app.setHooks(&hooks);
        browser.setListener(&questions);
    }
    PrintingHooks hooks;
    TerminalQuestions questions;
    ZipBrowserModel browser;
};

std::optional<ZipAddAction> parseAction(const std::string& text) {
    if (text == "add")
        return ZipAddAction::AddAndReplace;
    if (text == "freshen")
        return ZipAddAction::Freshen;
    if (text == "update")
        return ZipAddAction::Update;
    return std::nullopt;
}

int zipAdd(Context& context, ZipSession& session, Args& args) {
    const bool paths = args.flag("--paths");
    const bool recurse = args.flag("--recurse");
    const auto level = args.intOption("--level");
    const auto actionText = args.option("--action");
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() < 3)
        return context.fail("usage: zip add ARCHIVE FILE... [--paths] [--recurse] [--level N] "
                            "[--action add|freshen|update]");
    if (level && (*level < 0 || *level > 9))
        return context.fail("--level takes 0 (stored) to 9");
    const auto action = parseAction(actionText.value_or("add"));
    if (!action)
        return context.fail("--action takes add, freshen or update");
    ZipComponent& zip = session.browser.component();
    zip.UsePaths = paths;
    zip.Recurse = recurse;
    if (level)
        zip.Compression = static_cast<int>(*level);
    zip.AddAction = *action;
    session.browser.openArchive(absolutePath((*words)[1]));
    const std::vector<std::string> files(words->begin() + 2, words->end());
    const int result = session.browser.addFiles(files);
    context.out << session.browser.summaryText() << "\n";
    return outcome(result);
}

int zipExtract(Context& context, ZipSession& session, Args& args) {
    const bool paths = args.flag("--paths");
    const bool overwrite = args.flag("--overwrite");
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() < 3)
        return context.fail("usage: zip extract ARCHIVE DIR [ENTRY...] [--paths] [--overwrite]");
    const std::string archive = absolutePath((*words)[1]);
    if (!fileExists(archive))
        return context.fail(zipResultMessage(ZipResult::ArchiveNotFound, "extracting"));
    session.browser.openArchive(archive);
    std::vector<std::string> entries(words->begin() + 3, words->end());
    if (entries.empty())
        entries.emplace_back("*.*");
    const int result =
        session.browser.extractTo(withTrailingSlash(absolutePath((*words)[2])), entries, paths,
                                  overwrite ? ZipOverwrite::xowAlways : ZipOverwrite::xowAsk);
    context.out << session.browser.component().processedEntries().size() << " files extracted\n";
    return outcome(result);
}

int zipDelete(Context& context, ZipSession& session, const std::vector<std::string>& words) {
    if (words.size() < 3)
        return context.fail("usage: zip delete ARCHIVE ENTRY...");
    const std::string archive = absolutePath(words[1]);
    if (!fileExists(archive))
        return context.fail(zipResultMessage(ZipResult::ArchiveNotFound, "deleting"));
    session.browser.openArchive(archive);
    const int result =
        session.browser.deleteEntries(std::vector<std::string>(words.begin() + 2, words.end()));
    if (result == ZipResult::NothingToDo)
        context.err << "quarlo-cli: no entry matched\n";
    context.out << session.browser.summaryText() << "\n";
    return result == ZipResult::NothingToDo ? 2 : outcome(result);
}

int zipRename(Context& context, ZipSession& session, const std::vector<std::string>& words) {
    if (words.size() != 3)
        return context.fail("usage: zip rename ARCHIVE NEWNAME");
    const std::string archive = absolutePath(words[1]);
    if (!fileExists(archive))
        return context.fail(zipResultMessage(ZipResult::ArchiveNotFound, "renaming"));
    ZipNode* root = session.browser.openArchive(archive);
    if (!session.browser.renameArchive(root, words[2]).ok())
        return 2; // the message is printed already
    context.out << "Renamed to " << root->archive->archivePath << "\n";
    return 0;
}

} // namespace

int zipCommand(Context& context, Args& args) {
    Args peek = args;
    for (const char* flag : {"--paths", "--recurse", "--overwrite"})
        peek.flag(flag);
    peek.option("--level");
    peek.option("--action");
    auto words = peek.positional();
    if (!words)
        return context.fail(words.message());
    const std::string verb = words->empty() ? "" : (*words)[0];
    if (verb == "list" && args.positional())
        return zipList(context, *args.positional());
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    ZipSession session(context, **app);
    int code = 2;
    if (verb == "add")
        code = zipAdd(context, session, args);
    else if (verb == "extract")
        code = zipExtract(context, session, args);
    else if (verb == "delete" && args.positional())
        code = zipDelete(context, session, *args.positional());
    else if (verb == "rename" && args.positional())
        code = zipRename(context, session, *args.positional());
    else
        context.fail("usage: zip list|add|extract|delete|rename ... (see 'help zip')");
    (*app)->setHooks(nullptr);
    return code;
}

} // namespace quarlo::cli
