// Test scaffolding that switches the time zone or the ICU default locale for the life of an object.
#pragma once

#include "core/dates.h"

#include <QByteArray>
#include <QtGlobal>
#include <unicode/locid.h>

// Switches the system time zone (TZ) for the life of the object and refreshes the locale name lists; a
// failing check returns early, so the destructor is what puts the zone back (unset again if it was unset).
class ZoneScope {
  public:
    explicit ZoneScope(const QByteArray& zone)
        : saved(qgetenv("TZ")), wasSet(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        FillLocaleNameLists();
    }
    explicit ZoneScope(const char* zone) : ZoneScope(QByteArray(zone)) {}
    ~ZoneScope() {
        if (wasSet)
            qputenv("TZ", saved);
        else
            qunsetenv("TZ");
        FillLocaleNameLists();
    }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

  private:
    QByteArray saved;
    bool       wasSet;
};

// Switches the ICU default locale for the life of the object and refreshes the locale name lists.
class LocaleScope {
  public:
    explicit LocaleScope(const char* name) : saved(icu::Locale::getDefault()) { ok = Set(icu::Locale(name)); }
    ~LocaleScope() { Set(saved); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

    // Whether ICU accepted the locale given to the constructor.
    bool Succeeded() const { return ok; }

  private:
    static bool Set(const icu::Locale& locale) {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(locale, status);
        FillLocaleNameLists();
        return U_SUCCESS(status);
    }
    icu::Locale saved;
    bool        ok = false;
};
