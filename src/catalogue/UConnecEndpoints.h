#pragma once
// The lab-service endpoints that the connection step offers, in list order:
// a custom address typed by the user, five regional production roots, and
// six test and development roots. The addresses are the root of each
// service (ending with "/"); the service itself is the root followed by
// "LumLabService.svc".
//
// Only our own hosts are listed: placeholders under ".example" for the
// production and test services (a deployment sets its real server in the
// configuration, which the custom row then shows), and the lab simulator
// on this machine as the developer endpoint.
#include <QString>
#include <vector>

struct TConnecEndpoint {
    QString label; // not translated
    QString url;
};

// The twelve rows.
const std::vector<TConnecEndpoint>& ConnecEndpoints();
// The first row whose address equals url exactly (case-sensitive); 0, the
// custom row, when none does.
int ConnecEndpointIndexOf(const QString& url);

// The percentage of a progress bar at val of total; 0 for a total of 0 or
// less (an empty list has nothing to show), kept within 0 and 100.
double ConnecProgressPercent(int val, int total);
