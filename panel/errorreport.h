// How the control's errors reach the operator: a message box owned by the panel with the stop
// icon, an OK button, the application title as caption and the error's description cut to 511
// characters. The reporter is replaceable so tests can see the report instead of a box.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

struct ErrorReport
{
    QWidget *owner;
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
};

using ErrorReporter = std::function<void(const ErrorReport &)>;

inline constexpr qsizetype errorTextLimit = 511;

// The executable's file name without folder and extension: "tarn".
QString applicationTitle();

// The description as the box shows it: at most 511 characters, never half a character.
QString errorText(const QString &description);

// Shows the report (the real QMessageBox, modal over its owner) through the current reporter.
void reportError(QWidget *owner, const QString &description);

// Replaces the reporter (an empty function restores the message box); returns the old one.
ErrorReporter setErrorReporter(ErrorReporter reporter);

// The real reporter: a QMessageBox over the owner.
void showErrorBox(const ErrorReport &report);
