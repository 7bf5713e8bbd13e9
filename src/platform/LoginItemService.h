#pragma once

#include <QString>
#include <optional>

// Starting Tovi when the user logs in.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    virtual bool isEnabled() const = 0;
    // Each returns the error text on failure.
    virtual std::optional<QString> registerItem() = 0;
    virtual std::optional<QString> unregisterItem() = 0;
    // Where the entry lives, to tell the user; empty when there is no such place.
    virtual QString location() const { return {}; }
};

// An XDG autostart entry: enabled when the file exists and is not Hidden=true.
class XdgAutostartLoginItem final : public LoginItemService {
public:
    // `entryPath`: $XDG_CONFIG_HOME/autostart/tovi.desktop; `executable`: what Exec= runs.
    XdgAutostartLoginItem(const QString& entryPath, const QString& executable);
    static QString standardEntryPath();

    bool isEnabled() const override;
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;
    QString location() const override { return m_path; }

private:
    QString m_path;
    QString m_executable;
};
