#pragma once
#include <QString>

// Where the service lives. Built in at configure time; VORNIX2_GATEWAY_HOST and
// VORNIX2_WEB_HOST (host[:port]) override it, so that tests and trials can use a local gateway.
QString GatewayHostName();
QString WebHostName();

// A page of the service's web site ("/deeplink/register"); http unless asked otherwise.
QString WebUrl(const QString& path, bool https = false);
