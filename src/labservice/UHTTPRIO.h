#pragma once
// THTTPRIO: the settings of one lab service client before it is built: its
// address and the time-outs of its HTTP node. The main window fills them
// (IMainFrame::WebSvcInit) and the web-service queue builds the client from
// them. The time-outs are kept for whoever reads them; the HTTP transport
// uses its own.
#include "LumLabService.h"

#include <QString>

class THTTPRIO {
public:
    struct THTTPWebNode {
        int SendTimeout = 0;
        int ConnectTimeout = 0;
        int ReceiveTimeout = 0;
    };

    const QString& URL() const { return fURL; }
    void SetURL(const QString& url) { fURL = url; }
    THTTPWebNode& HTTPWebNode() { return fWebNode; }
    const THTTPWebNode& HTTPWebNode() const { return fWebNode; }

    // The service interface of a client at URL(); raises for an empty URL.
    ILumLabServicePtr CreateService() const;

private:
    QString fURL;
    THTTPWebNode fWebNode;
};
