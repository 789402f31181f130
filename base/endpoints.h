// The web addresses Tolv talks to. Host names are build settings (see
// CMakeLists.txt); paths and query keys are fixed here and in their callers.
#pragma once

#include <string>
#include <vector>

// Each host is "name" or "name:port".
extern const wchar_t* const ClientHost;    // update manifest, reports, hall page
extern const wchar_t* const PortalHost;    // login page, button-info interface
extern const wchar_t* const HallHost;      // web-game hall in the default browser
extern const wchar_t* const ExtLoginHost;  // external-account login bridge
extern const wchar_t* const ProbeUrl;      // connectivity probe at every start
// Start of the QQ authorisation page's address (a whole address, not a host).
extern const wchar_t* const QqAuthorizeUrl;

// Domain suffixes a downloaded executable's address must belong to.
const std::vector<std::wstring>& TrustedSuffixes();

// "http://" + ClientHost + "/webgame.htm": the hall page of a game frame.
std::wstring HallPageUrl();

// "http://" + ClientHost + page + "?tag=" + tag + "&ver=" + the client
// version: the start of every report address.
std::wstring ClientServiceUrl(const wchar_t* page, const wchar_t* tag);
