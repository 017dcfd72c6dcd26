#pragma once

#include "Browser.h"

#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

// A browser that only notes what it was asked to open, and for which window.
class RecordingBrowser : public links::Browser
{
public:
    struct Call
    {
        QPointer<QWidget> owner;
        QUrl address;
    };

    void open(QWidget *owner, const QUrl &address) override { calls.append({ owner, address }); }

    QList<Call> calls;
};
