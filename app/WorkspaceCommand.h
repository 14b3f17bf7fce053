#pragma once

#include <QString>
#include <initializer_list>
#include <string>

class QAction;
class QMenu;
class QWidget;

namespace velcora {

class TWorkspace;

/// A workspace operation a button or a menu item runs.
using TWorkspaceCommand = void (TWorkspace::*)();

/// Runs a command the way every event handler of the windows does: an error it raises is
/// shown, never left to the event loop.
void RunCommand(TWorkspace& workspace, TWorkspaceCommand command);

/// One item of a selection menu: its object name, its caption and its command.
struct TMenuCommand {
    const char* Name;
    const char* Caption;
    TWorkspaceCommand Command;
};

/// The popup menu over a view's selection: a bold title without action, then the commands.
/// The last one (Swap) starts hidden: the workspace says when it is offered.
QMenu* MakeSelectionMenu(QWidget& owner, TWorkspace& workspace, const char* name,
                         const QString& title, std::initializer_list<TMenuCommand> commands);

/// The menu's Undo and Redo items, after a separator; their object names are the menu's
/// name followed by "Undo" and "Redo". They start disabled: ShowUndoItems enables them.
struct TUndoItems {
    QAction* Undo = nullptr;
    QAction* Redo = nullptr;
};
TUndoItems AddUndoItems(QMenu& menu, QWidget& owner, TWorkspace& workspace);
/// The caption of an undo or redo item: the verb, then the step's label when there is one.
QString UndoCaption(const QString& verb, const std::string& label);
/// Shows what undo and redo would act on; an item without a step is disabled.
void ShowUndoItems(const TUndoItems& items, const std::string& undoText,
                   const std::string& redoText);

} // namespace velcora
