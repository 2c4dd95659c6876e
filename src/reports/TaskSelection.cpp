#include "reports/TaskSelection.h"

#include "platform/FileUtil.h"
#include "platform/TextUtil.h"
#include "reports/ReportPaths.h"

namespace quarlo {

namespace {

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return asciiLower(a) == asciiLower(b);
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && sameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

} // namespace

bool selectionChangeShows(const std::string& path, const std::string& lastTask,
                          const std::string& tasksFolder, const std::string& lastCategory) {
    const std::string categoryPath = withoutTrailingSlashes(tasksFolder + lastCategory);
    return !sameIgnoringCase(path, lastTask) && !sameIgnoringCase(path, categoryPath);
}

bool showsTaskPage(const std::string& browserLocation) {
    const std::string location = asciiLower(browserLocation);
    return location.find("task_details.htm") != std::string::npos ||
           location.find("tasks.htm") != std::string::npos;
}

std::string categoryOfItem(const TaskTreeItem& item, const std::string& tasksFolder) {
    std::string folder = withoutTrailingSlashes(item.path);
    if (item.isFile) {
        const std::size_t slash = folder.rfind('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
    }
    const std::string root = withoutTrailingSlashes(tasksFolder);
    // Only a leading Tasks folder is removed, and only at a whole folder name: "Tasks2" is
    // not inside "Tasks".
    if (sameIgnoringCase(folder, root))
        return {};
    if (startsWithIgnoringCase(folder, root + "/"))
        return folder.substr(root.size() + 1);
    return folder;
}

ShowPlan planShow(const TaskTreeItem& item, const std::string& lastTask,
                  const std::string& browserLocation, const std::string& tasksFolder) {
    ShowPlan plan;
    if (item.path == lastTask && showsTaskPage(browserLocation)) {
        plan.unchanged = true;
        return plan;
    }
    plan.lastTask = item.path;
    plan.lastCategory = categoryOfItem(item, tasksFolder);
    const bool topNode = !item.isFile && sameIgnoringCase(withoutTrailingSlashes(item.path),
                                                          withoutTrailingSlashes(tasksFolder));
    if (item.isFile)
        plan.kind = ShowKind::TaskDetails;
    else if (!topNode)
        plan.kind = ShowKind::TaskList;
    return plan;
}

Result<ReportPageChoice> reportPageChoice(const TQLTask& task, ReportPage page) {
    auto paths = ReportPaths::of(task);
    if (!paths)
        return paths.status();
    ReportPageChoice choice;
    switch (page) {
    case ReportPage::Summary:
        choice.path = paths->summary();
        break;
    case ReportPage::PageIndex:
        choice.path = paths->indexPage(IndexKind::Pages, 1);
        break;
    case ReportPage::ImageIndex:
        choice.path = paths->indexPage(IndexKind::Images, 1);
        break;
    }
    choice.exists = fileExists(choice.path);
    return choice;
}

} // namespace quarlo
