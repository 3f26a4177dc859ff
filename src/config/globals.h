#pragma once

#include <QString>

#include <array>
#include <cstdint>

class QTcpSocket;
struct CConfigure;

// Process-wide state of the tool: the gateway being worked on and the one
// current configuration. All of it lives on the GUI thread.

extern CConfigure *pConfigure; // owning; null until the first read, New or open
extern QString Mode; // model name of the current configuration
extern int32_t g_commMode; // 0 RTU_Slave, 1 RTU_Master, 2 ASCII_Slave, 3 ASCII_Master
extern QString Password; // last password typed in the password dialog
extern bool IsTrue; // the selected gateway asks for a password
extern QString IDS; // editor title and origin of the current configuration
extern QString g_appointIpAddr; // address of the gateway being worked on
extern QString software; // its firmware version as discovery listed it
extern bool IsSave; // the user changed the configuration
extern std::array<unsigned char, 16> g_recvbuf; // reply to the last password frame
extern QString savefilename; // file of the current configuration
extern int m_clickList1Item1;
extern int m_clickList1Item2;

// The shared command socket of the password exchange; it stays connected for
// the read that follows. Created on first use and owned by the application.
QTcpSocket &g_Server();

// Deletes the current configuration and makes `configure` current.
void installConfigure(CConfigure *configure);
