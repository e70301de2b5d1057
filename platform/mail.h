// E-mail reminders: a message handed to the system's sendmail program, or composed in the user's mail client.
#pragma once

#include <QString>
#include <QUrl>

// Whether a sendmail-compatible program exists: $VRDX_SENDMAIL when set, else /usr/sbin/sendmail or
// /usr/lib/sendmail (msmtp-mta, Postfix, Exim and others install one).
bool    MailAvailable();
QString SendmailProgram(); // empty when there is none

// The mail as the program composes it: "mailTo:<to>?cc=<cc>&subject=<subject>&body=<body>", unescaped.
QString MailtoText(const QString& to, const QString& cc, const QString& subject, const QString& body);
// The same mail as a valid mailto URL: every part percent-encoded, so "&", "?" or "=" in the subject or
// body stay in their part.
QUrl MailtoUrl(const QString& to, const QString& cc, const QString& subject, const QString& body);

// The complete RFC 5322 message handed to sendmail: CRLF line ends, UTF-8 text, an encoded subject when
// it is not plain ASCII. Line breaks in the addresses or the subject become blanks, so that no text can
// add a header.
QByteArray ComposeMailMessage(const QString& to, const QString& cc, const QString& subject,
                              const QString& body);

// Sends the mail through sendmail without waiting for it (failures come later as an alert); without
// sendmail, opens the mailto URL so that the user's mail client composes it, or alerts when nothing can.
void SendReminderMail(const QString& to, const QString& cc, const QString& subject, const QString& body);

// Mail programs started and not yet finished.
int PendingMailCount();
