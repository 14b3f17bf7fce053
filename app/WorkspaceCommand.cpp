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
    QAction* heading = menu->addAction(title);
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

} // namespace velcora
