#include "shell/Window.h"
#include "reports/Page.h"
#include "Window.moc"
