#include "cli/Commands.h"

namespace quarlo::cli {

const std::vector<CommandInfo>& commands() {
    static const std::vector<CommandInfo> table = {
        {"settings",
         "settings get NAME\n"
         "settings set NAME VALUE [--dword | --string]\n"
         "settings list [--json]",
         "read and change the stored settings",
         "A known value (see 'settings list') is written with its own type; an unknown one\n"
         "needs --dword or --string. Folder settings follow the program's rules (a trailing\n"
         "\"/\" is added; the Temp folder always lies in a folder named for the program).\n"
         "A credential (\"Proxy Authorization\") is shown only as (set) or (none). --json\n"
         "prints the values as one JSON document.\n",
         settingsCommand},
        {"profile",
         "profile list\n"
         "profile show NAME [--json]\n"
         "profile save NAME [--from TASK] [PROFILE OPTIONS] [--force]\n"
         "profile delete NAME",
         "list, show, save and delete download profiles",
         "'profile save' writes a named profile from the defaults (or from the profile of\n"
         "TASK) changed by the profile options; an existing profile is replaced only with\n"
         "--force. Profile options:\n"
         "  --depth N                 levels of links followed (-1 all)\n"
         "  --pages dir|site|anywhere where followed pages may lie\n"
         "  --media dir|site|anywhere where media may lie\n"
         "  --types .gif,.jpg         file types fetched (empty: all)\n"
         "  --include TEXT            URL filter entry to include (repeatable)\n"
         "  --exclude TEXT            URL filter entry to exclude (repeatable)\n"
         "  --aggressive 0|1|2        search scripts for links\n"
         "  --max-page-size KB        larger pages are skipped (0: no limit)\n"
         "  --max-media-size KB       larger media files are skipped (0: no limit)\n"
         "  --no-convert              leave links in saved pages as they are\n"
         "'profile show --json' prints the profile as one JSON document.\n",
         profileCommand},
        {"task",
         "task new (URL | --url-list FILE) [--profile NAME] [--intranet DIR | --zip FILE]\n"
         "         [--category C] [--user NAME --password-file FILE] [--insecure]\n"
         "         [--no-robots]\n"
         "task show TASK [--csv | --json]\n"
         "task delete TASK",
         "create, show and delete tasks",
         "'task new' creates and saves a task as the main window's new-task command does,\n"
         "with status \"Unscheduled\" (it does not run). With --url-list the task downloads the\n"
         "URLs of the file (one per line) instead of following a start page. --no-robots lets\n"
         "the task fetch what robots.txt and <meta name=\"robots\"> keep crawlers from (the\n"
         "start page is fetched in any case). A TASK is named by "
         "NAME (in the last\n"
         "category), CATEGORY/NAME, or the path of its .qlt file.\n"
         "--user and --password-file give the site's own account (the first line of FILE is\n"
         "the password): it goes to the start URL's host only, and only when asked for.\n"
         "--insecure accepts the start URL's host's certificate unverified (self-signed).\n"
         "'task show' also writes the details export (temp/task_details.txt and its script\n"
         "in the data folder); --csv prints the export's lines instead of the fields, --json\n"
         "one JSON document (the password only as (set) or (none), as in the text).\n"
         "'task delete' moves the task file and its queue file to the trash; not the task\n"
         "another instance is downloading.\n",
         taskCommand},
        {"tasks", "tasks [CATEGORY] [--csv | --json]", "list the tasks of a category",
         "Lists the tasks of the category (the last category when none is given; a\n"
         "sub-category as PARENT/NAME) and writes the task-list export (temp/tasks.txt and\n"
         "its script in the data folder). Stopped and completed downloads are listed, and\n"
         "saved, as \"Incomplete\". --csv prints the export's lines instead of the table,\n"
         "--json one JSON document with every field of each task.\n",
         tasksCommand},
        {"category", "category new [PARENT]\ncategory delete CATEGORY",
         "create and delete categories",
         "'category new' creates \"New Folder\" (or \"New Folder (2)\" ...) in PARENT or at the\n"
         "top of the Tasks folder and prints the new category. 'category delete' moves the\n"
         "category's folder with all its tasks to the trash; not while another instance is\n"
         "downloading one of them.\n",
         categoryCommand},
        {"browse", "browse TASK [--open]", "print (or open) the local copy of a task's start page",
         "Prints the local file of the task's start page; a Zip-mode task's archive is first\n"
         "unpacked into the Temp folder. --open also opens it with the default program\n"
         "(xdg-open). Exit code 2 when the task has not been run.\n",
         browseCommand},
        {"run", "run TASK [--restart | --resume | --update | --recover]",
         "run a task in the foreground",
         "Without a flag the task resumes its queue when it has one, else starts afresh.\n"
         "--update checks every saved file again (conditional requests); --recover fetches\n"
         "again what failed. Ctrl-C stops the run as the Stop button does; 'run --resume'\n"
         "goes on later. Exit code 1 when the run ended with failed files, 3 when its copy\n"
         "could not be written (full or read-only disk, archive error; the task is then\n"
         "\"Incomplete\" and a later run goes on), 130 when stopped.\n",
         runCommand},
        {"get",
         "get URL [--profile NAME] [PROFILE OPTIONS] [--map] [--intranet DIR | --zip FILE]\n"
         "    [--category C] [--no-ads] [--user NAME --password-file FILE] [--insecure]\n"
         "    [--no-robots]",
         "copy a site now: create the task and run it to the end",
         "Creates a task for URL as 'task new' does, runs it in the foreground with the\n"
         "progress display and says where the copy is. The profile options (see 'help\n"
         "profile') change this task's profile only, never a named profile's file. --map\n"
         "fetches pages only. --no-ads stores \"No Ads\": no banner in saved pages. --user,\n"
         "--password-file, --insecure and --no-robots as for 'task new'. Exit codes as for\n"
         "'run'.\n",
         getCommand},
        {"demo", "demo", "mirror the bundled sample site from a loopback server",
         "Serves the sample site on a free port of 127.0.0.1 and mirrors it into the folder\n"
         "demo/ of the data folder, with the progress display; says which file to open.\n",
         demoCommand},
        {"queue",
         "queue TASK [--json]\n"
         "queue mark TASK --download|--update|--map|--unmark --all|--errors|--unmarked|--url "
         "URL...",
         "show a task's queue, mark its entries",
         "'queue' prints one tab-separated row per entry: Mark, Status, Title, URL, Type, Size,\n"
         "Last Modified, Download Result, Level, Referrer; --json prints one JSON document\n"
         "instead. 'queue mark' marks entries for the next run: --download (--all, --errors,\n"
         "--unmarked or --url), --update (--all: saved entries; --url), --map (--all: pages;\n"
         "--url) or --unmark (--all: waiting entries; --url).\n",
         queueCommand},
        {"schedule",
         "schedule TASK --now [--restart | --resume | --update | --recover]\n"
         "schedule TASK --at \"MM/d/yy hh:mm:ss\" | --every H:M | --daily hh:mm:ss |\n"
         "              --weekly Mon,Fri@hh:mm:ss",
         "schedule a task to run at once, once or again and again",
         "The task becomes \"Scheduled\"; a running 'quarlo-cli scheduler' (or the desktop\n"
         "program) starts it when it is due. --now runs it as soon as possible: it resumes its\n"
         "queue when it has one unless --restart, --update or --recover says otherwise (a\n"
         "stored next run that lies ahead is waited for). --every counts its interval from\n"
         "the end of each run; --daily and --weekly keep their time of day. A run-method flag\n"
         "given with another kind is stored for the scheduled runs. Works while another\n"
         "instance runs, but not on the task it is downloading.\n",
         scheduleCommand},
        {"unschedule", "unschedule TASK", "take a task off the schedule",
         "The task becomes \"Unscheduled\" with no schedule and no next run. Works while another\n"
         "instance runs, but not on the task it is downloading.\n",
         unscheduleCommand},
        {"scheduler", "scheduler [--until-idle]", "start due tasks, one run at a time",
         "Holds the data folder like a foreground run and starts every due task as the\n"
         "desktop program does, printing a line when a run starts and ends. Runs that an\n"
         "earlier instance left \"Downloading...\" are reset to \"Unscheduled\" first.\n"
         "Ctrl-C or SIGTERM stops it: a run in progress is stopped as the Stop button does\n"
         "(one whose download is complete first finishes writing its result; a second\n"
         "Ctrl-C stops it at once). --until-idle ends once no run is in progress and no\n"
         "active task is due within a minute. Exit code 1 when a run ended with failed files\n"
         "or could not start, 3 when a run's copy could not be written, 130 when stopped.\n",
         schedulerCommand},
        {"zip",
         "zip list ARCHIVE [MASK]\n"
         "zip add ARCHIVE FILE... [--paths] [--recurse] [--level N] [--action add|freshen|update]\n"
         "zip extract ARCHIVE DIR [ENTRY...] [--paths] [--overwrite]\n"
         "zip delete ARCHIVE ENTRY...\n"
         "zip rename ARCHIVE NEWNAME",
         "list, add to, extract, delete from and rename Zip archives",
         "A MASK or ENTRY is an entry name, \"*.*\" for every entry or a folder followed by\n"
         "\"/*.*\". 'zip add' keeps the files' paths with --paths (relative to the current\n"
         "folder, or the whole path), adds folders with their contents with --recurse, compresses\n"
         "at level N (0 stores), and with --action freshen replaces only entries already there,\n"
         "with update also adds new files but replaces an entry only with a newer file.\n"
         "'zip extract' writes nothing outside DIR; an existing file is replaced with\n"
         "--overwrite, else the question is asked on a terminal and answered No otherwise.\n"
         "'zip rename' gives the archive a new name in its folder, made unique with (0), (1)...\n"
         "Exit code 2 when the archive work fails.\n",
         zipCommand},
        {"report", "report TASK", "write a task's summary, page index and image index pages",
         "Writes the report pages beside the task's saved files (in the folder named after\n"
         "the start URL's host, under the Destination or, for a Zip-mode task, under the Temp\n"
         "folder after unpacking its archive there) and prints the summary's path. Exit code 2\n"
         "when a Zip-mode task's archive does not exist yet: run the task first.\n",
         reportCommand},
    };
    return table;
}

} // namespace quarlo::cli
