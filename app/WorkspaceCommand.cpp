#include "WorkspaceCommand.h"

#include "Workspace.h"

#include <QMenu>
#include <functional>

namespace velcora {

void RunCommand(TWorkspace& workspace, TWorkspaceCommand command) {
    // A named handler: the address sanitizer flagged a lambda that called the member
    // pointer directly inside RunGuarded.
    const std::function<void()> handler = [&workspace, command] { (workspace.*command)(); };
    workspace.RunGuarded(handler);
}

QMenu* MakeSelectionMenu(QWidget& owner, TWorkspace& workspace, const char* name,
                         const QString& title, std::initializer_list<TMenuCommand> commands) {
    auto* menu = new QMenu(&owner);
    menu->setObjectName(QString::fromLatin1(name));
    menu->setAccessibleName(QStringLiteral("Selection"));
    // A heading, not a command: the keyboard passes over it and choosing it does nothing.
    QAction* heading = menu->addSection(title);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    for (const TMenuCommand& item : commands) {
        QAction* action = menu->addAction(QString::fromLatin1(item.Caption));
        action->setObjectName(QString::fromLatin1(item.Name));
        QObject::connect(action, &QAction::triggered, &owner,
                         [&workspace, command = item.Command] { RunCommand(workspace, command); });
    }
    menu->actions().back()->setVisible(false);
    return menu;
}

TUndoItems AddUndoItems(QMenu& menu, QWidget& owner, TWorkspace& workspace) {
    menu.addSeparator();
    TUndoItems items;
    const auto add = [&](const char* verb, TWorkspaceCommand command) {
        QAction* action = menu.addAction(QString::fromLatin1(verb));
        action->setObjectName(menu.objectName() + QString::fromLatin1(verb));
        action->setEnabled(false);
        QObject::connect(action, &QAction::triggered, &owner,
                         [&workspace, command] { RunCommand(workspace, command); });
        return action;
    };
    items.Undo = add("Undo", &TWorkspace::Undo);
    items.Redo = add("Redo", &TWorkspace::Redo);
    return items;
}

QString UndoCaption(const QString& verb, const std::string& label) {
    return label.empty() ? verb : verb + QLatin1Char(' ') + QString::fromStdString(label);
}

void ShowUndoItems(const TUndoItems& items, const std::string& undoText,
                   const std::string& redoText) {
    if (items.Undo == nullptr || items.Redo == nullptr) {
        return; // the menu is not built yet
    }
    items.Undo->setText(UndoCaption(QStringLiteral("Undo"), undoText));
    items.Undo->setEnabled(!undoText.empty());
    items.Redo->setText(UndoCaption(QStringLiteral("Redo"), redoText));
    items.Redo->setEnabled(!redoText.empty());
}

} // namespace velcora
