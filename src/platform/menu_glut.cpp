#include "menus.h"

#include <GL/freeglut.h>

namespace {

// A label as the toolkit's Latin-1 font can show it: "…" as "...".
std::string latin(std::string label) {
    for (size_t at; (at = label.find("\u2026")) != std::string::npos;)
        label.replace(at, 3, "...");
    return label;
}

// The toolkit's identifier of each menu of the table.
int menuIds[menuCount];

// Builds menu m after the submenus it opens, so that the toolkit numbers
// their windows in that order; returns its identifier.
int build(int m) {
    const std::vector<MenuEntry> entries = menuEntries(m);
    for (const MenuEntry& entry : entries)
        if (entry.submenu >= 0)
            build(entry.submenu);
    menuIds[m] = glutCreateMenu(menuHandler(m));
    for (const MenuEntry& entry : entries)
        if (entry.submenu >= 0)
            glutAddSubMenu(latin(entry.label).c_str(), menuIds[entry.submenu]);
        else
            glutAddMenuEntry(latin(entry.label).c_str(), entry.value);
    return menuIds[m];
}

bool menuOpen = false, relabelDue = false;

// Writes every entry's label as the choices in force make it, leaving the
// current menu current. The toolkit ends the program on a change to a menu
// in use: one asked for meanwhile (by a timer, or the network) waits for
// the menu's close.
void relabel() {
    if (menuOpen) {
        relabelDue = true;
        return;
    }
    relabelDue = false;
    const int current = glutGetMenu();
    for (int m = 0; m < menuCount; m++) {
        glutSetMenu(menuIds[m]);
        const std::vector<MenuEntry> entries = menuEntries(m);
        for (size_t i = 0; i < entries.size(); i++)
            if (entries[i].submenu < 0)
                glutChangeToMenuEntry(static_cast<int>(i) + 1, latin(entries[i].label).c_str(),
                                      entries[i].value);
    }
    if (current != 0)
        glutSetMenu(current);
}

// The toolkit draws a menu window when it shows it, before the window has
// taken its new size, and then not again until the pointer moves over an
// entry: a menu, or a submenu, would open black. So while a menu is open its
// windows are drawn again every tenth of a second, from the first frame in
// which their size has arrived.
int firstMenuWindow = 0;
bool redrawTimerSet = false;

void redrawMenus(int) {
    redrawTimerSet = false;
    if (!menuOpen)
        return;
    int current = glutGetWindow();
    for (int window = firstMenuWindow; window < firstMenuWindow + menuCount; window++) {
        glutSetWindow(window);
        glutPostRedisplay();
    }
    glutSetWindow(current);
    redrawTimerSet = true;
    glutTimerFunc(100, redrawMenus, 0);
}

void menuStatus(int status, int, int) {
    menuOpen = status == GLUT_MENU_IN_USE;
    if (!menuOpen && relabelDue)
        relabel();
    if (menuOpen && !redrawTimerSet) {
        redrawTimerSet = true;
        glutTimerFunc(30, redrawMenus, 0);
    }
}

} // namespace

void menu() {
    // The toolkit gives each menu a window of its own, numbered after the
    // game's, in the order the menus are made.
    const int gameWindow = glutGetWindow();
    build(mainMenuIndex);
    firstMenuWindow = gameWindow + 1;
    glutMenuStatusFunc(menuStatus);
    menusChanged = relabel;
}
