#pragma once

#include <QObject>

// Names the event category that tags every log line.
class TSpdlogAssistant : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(TSpdlogAssistant)

public:
    enum LogType {
        AvType = 0,
        UiEventType = 1,
        UiClick = 2,
        NetType = 3,
        H5Type = 4,
        OtherType = 5,
    };

    explicit TSpdlogAssistant(QObject *parent = nullptr);

    // Empty for a type outside the table.
    QString typeName(int type) const;
};
