// E-mail reminders: a message handed to the system's sendmail program, or composed in the user's mail client.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// Whether a sendmail-compatible program exists: $VRDX_SENDMAIL when set, else /usr/sbin/sendmail or
// /usr/lib/sendmail (msmtp-mta, Postfix, Exim and others install one).
bool    MailAvailable();
QString SendmailProgram(); // empty when there is none

// The mail as the program composes it: "mailTo:<to>?cc=<cc>&subject=<subject>&body=<body>", unescaped.
QString MailtoText(const QString& to, const QString& cc, const QString& subject, const QString& body);
// The same mail as a valid mailto URL: every part percent-encoded, so "&", "?" or "=" in the subject or
// body stay in their part.
QUrl MailtoUrl(const QString& to, const QString& cc, const QString& subject, const QString& body);

// The complete RFC 5322 message handed to sendmail: CRLF line ends, UTF-8 text (quoted-printable unless
// it is ASCII within the line limit), an encoded subject when it is not plain ASCII. Line breaks in the
// addresses or the subject become blanks, so that no text can add a header.
QByteArray ComposeMailMessage(const QString& to, const QString& cc, const QString& subject,
                              const QString& body);

// What became of one e-mail. Taken: the mail program accepted it (sendmail ended with status 0, or a mail
// client was handed the mailto URL). Failed: it did not, and the reason says why. NoMailProgram: there is
// neither a sendmail program nor a mail client.
enum class MailResult { Taken, Failed, NoMailProgram };
using MailDone = std::function<void(MailResult result, const QString& reason)>;

// Hands the mail to sendmail without waiting for it, or, without sendmail, opens the mailto URL so that the
// user's mail client composes it. done is called once, later or at once, and shows nothing itself.
void SendReminderMail(const QString& to, const QString& cc, const QString& subject, const QString& body,
                      MailDone done);

// Mail programs started and not yet finished.
int PendingMailCount();
// Gives the running mail programs up to waitMs to finish, then stops the rest (their done reports Failed):
// for the quit, so that an e-mail is counted as sent only when its program said so.
void FinishPendingMail(int waitMs);
