#include "QtDialogs.h"

#include "Cp1252.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>

namespace velcora {

namespace {

QMessageBox::Icon IconOf(TMessageKind kind) {
    switch (kind) {
    case TMessageKind::Warning:
        return QMessageBox::Warning;
    case TMessageKind::Error:
        return QMessageBox::Critical;
    case TMessageKind::Information:
        return QMessageBox::Information;
    case TMessageKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(TButtons buttons) {
    switch (buttons) {
    case TButtons::Ok:
        return QMessageBox::Ok;
    case TButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case TButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

/// Where a file dialog starts: the proposed name inside the folder, unless it has its own.
QString StartPath(const std::string& folder, const std::string& fileName) {
    const QString name = FromCp1252(fileName);
    if (name.isEmpty() || QFileInfo(name).isAbsolute()) {
        return name.isEmpty() ? FromCp1252(folder) : name;
    }
    return QDir(FromCp1252(folder)).filePath(name);
}

} // namespace

TAnswer TQtDialogs::MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) {
    QMessageBox box(IconOf(kind), QString::fromLatin1(AppTitle), FromCp1252(text),
                    ButtonsOf(buttons), DialogParent());
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return TAnswer::Ok;
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    default:
        // Closing the box: Cancel where there is one, else the harmless answer.
        return buttons == TButtons::YesNo ? TAnswer::No
               : buttons == TButtons::Ok  ? TAnswer::Ok
                                          : TAnswer::Cancel;
    }
}

TFileChoice TQtDialogs::OpenFile(const std::string& title, const std::string& filter,
                                 const std::string& folder, const std::string& fileName) {
    const QString chosen = QFileDialog::getOpenFileName(
        DialogParent(), FromCp1252(title), StartPath(folder, fileName), FilterForQt(filter));
    if (chosen.isEmpty()) {
        return {false, fileName};
    }
    return {true, ToCp1252(chosen)};
}

TFileChoice TQtDialogs::SaveFile(const std::string& title, const std::string& filter,
                                 const std::string& folder, const std::string& fileName) {
    // The program asks its own backup question over an existing file.
    const QString chosen = QFileDialog::getSaveFileName(
        DialogParent(), FromCp1252(title), StartPath(folder, fileName), FilterForQt(filter),
        nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty()) {
        return {false, fileName};
    }
    return {true, ToCp1252(chosen)};
}

TPathsChoice TQtDialogs::OpenPaths(const std::string& title, const std::string& filter,
                                   const std::string& folder, bool chooseFolder) {
    TPathsChoice choice;
    if (chooseFolder) {
        const QString chosen = QFileDialog::getExistingDirectory(DialogParent(), FromCp1252(title),
                                                                 FromCp1252(folder));
        if (!chosen.isEmpty()) {
            choice.Paths.push_back(QFile::encodeName(chosen).toStdString());
        }
    } else {
        for (const QString& file : QFileDialog::getOpenFileNames(
                 DialogParent(), FromCp1252(title), FromCp1252(folder), FilterForQt(filter))) {
            choice.Paths.push_back(QFile::encodeName(file).toStdString());
        }
    }
    choice.Accepted = !choice.Paths.empty();
    return choice;
}

QWidget* TQtDialogs::DialogParent() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    if (FParent != nullptr) {
        return FParent;
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = top->windowType();
        if (top->isVisible() && (type == Qt::Window || type == Qt::Dialog)) {
            return top;
        }
    }
    return nullptr;
}

QString TQtDialogs::FilterForQt(const std::string& filter) {
    const QStringList parts = FromCp1252(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns;
        static const QRegularExpression inParens(QStringLiteral("\\s*\\(([^)]*)\\)\\s*$"));
        const QRegularExpressionMatch m = inParens.match(description);
        if (m.hasMatch()) {
            patterns += m.captured(1).split(QRegularExpression(QStringLiteral("[;\\s]+")),
                                            Qt::SkipEmptyParts);
            description.truncate(m.capturedStart());
        }
        patterns +=
            parts[i + 1].split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
        QStringList both;
        for (const QString& p : patterns) {
            for (const QString& v : {p.toLower(), p.toUpper()}) {
                if (!both.contains(v)) {
                    both += v;
                }
            }
        }
        filters +=
            description + QStringLiteral(" (") + both.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace velcora
