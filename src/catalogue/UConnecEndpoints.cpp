#include "UConnecEndpoints.h"

#include <algorithm>

const std::vector<TConnecEndpoint>& ConnecEndpoints()
{
    static const std::vector<TConnecEndpoint> rows = {
        { QStringLiteral("Custom address"), QStringLiteral("https://") },
        { QStringLiteral("Production Japan"), QStringLiteral("https://jpn.lumlab.example/JPN/") },
        { QStringLiteral("Production Europe"), QStringLiteral("https://eu.lumlab.example/lum/LumWCF/") },
        { QStringLiteral("Production USA"), QStringLiteral("https://na.lumlab.example/USA/") },
        { QStringLiteral("Production Canada"), QStringLiteral("https://na.lumlab.example/CAN/") },
        { QStringLiteral("Production Singapore"), QStringLiteral("https://jpn.lumlab.example/SGP/") },
        { QStringLiteral("Test 1 Europe"), QStringLiteral("https://eu.lumlab.example/LumTEST/LumWCF/") },
        { QStringLiteral("Test 2 Europe"), QStringLiteral("http://192.0.2.10/Lum/LumWCF/") },
        { QStringLiteral("Test 3 Europe"), QStringLiteral("http://192.0.2.10/LumTEST/LumWCF/") },
        { QStringLiteral("Test Japan"), QStringLiteral("https://test-jpn.lumlab.example/JPN/") },
        { QStringLiteral("Test local network"), QStringLiteral("http://lumserver.example/LumServer/") },
        { QStringLiteral("Lab simulator (this machine)"), QStringLiteral("http://127.0.0.1:1362/LumServer/") },
    };
    return rows;
}

int ConnecEndpointIndexOf(const QString& url)
{
    const auto& rows = ConnecEndpoints();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].url == url)
            return int(i);
    return 0;
}

double ConnecProgressPercent(int val, int total)
{
    if (total <= 0)
        return 0;
    return std::clamp(double(val) * 100.0 / double(total), 0.0, 100.0);
}
