// Server.h - varnok-cli --serve: the card of this PC taken over HTTP, one upload at a time,
// each through the very same Execute as a local upload.
//
// It sits between the follower and the card: while the console is busy it reads the body ahead
// of the card into memory, answers a second client at once (busy), and notices a client that
// has gone or stalled, which stops the transfer as Stop does. Before a slice of the data is
// read, it waits until that slice has come. No threads: every socket is looked at from the
// transfer's own polling, at most once a millisecond (and every 64th access to the card).
#ifndef VARNOK_CLI_SERVER_H
#define VARNOK_CLI_SERVER_H

#include "cli/Http.h"
#include "cli/Options.h"
#include "portio/PortIo.h"

class CUploadDlg;
class CFollower;
class CUploader;

class CServer final : public CPortIo {
 public:
  CServer(CPortIo* pInner, CUploadDlg& dlg);
  ~CServer();
  // The follower between the dialog and this server, which stops a transfer.
  void SetFollower(CFollower* pFollower) { m_pFollower = pFollower; }

  // Listens where e says, and says so with the card's description; FALSE, with the message
  // shown, when it cannot.
  BOOL Listen(const ENDPOINT& e, LPCSTR pszCard);
  // Serves until Ctrl-C. dwWait: the server's --wait in seconds (0: none).
  void Run(CUploader& uploader, DWORD dwWait);

  BYTE In(UINT nPort) override;
  void Out(UINT nPort, BYTE value) override;

 private:
  enum Why { kNone, kGone, kStalled, kInterrupted };
  // A client that sends nothing for this long while its request or body has not all come is
  // stalled.
  static const DWORD kStallMs = 10000;
  // How long a response may take to go out.
  static const DWORD kSendMs = 10000;
  // The server's own output, one line: never the response's, which CliWrite goes to meanwhile.
  static void Log(LPCSTR pszPeer, LPCSTR pszText, LPCSTR pszWhy = 0);
  static LPCSTR WhyText(Why why);
  void Serve(SOCKET s, LPCSTR pszPeer, CUploader& uploader, DWORD dwWait);
  void Upload(const HTTP_REQUEST& r, CUploader& uploader, DWORD dwWait);
  int StatusOf(int nExit) const;
  // Looks at every socket once: the body, the response's lines, newcomers, closing ones.
  void Pump();
  // Pump, once a millisecond at most, from the transfer's accesses to the card.
  void Tick();
  // Until the body holds nNeed bytes, or the client has gone or stalled, or Ctrl-C.
  BOOL WaitForBody(DWORD nNeed);
  // How much of the body the data phase will have read once the byte being sent has gone.
  DWORD NeededAfterByte();
  void AnswerNewcomers();
  // A whole response, the connection then closed; the line for the server's output.
  void Answer(SOCKET s, LPCSTR pszPeer, int nStatus, LPCSTR pszText, DWORD dwRetryAfter = 0);
  void Queue(LPCSTR psz, int n);
  BOOL Flush(DWORD dwMs);
  // A connection whose response has been sent: closed for sending, its input read away until the
  // peer closes it, so that the response is not lost to a reset.
  void Linger(SOCKET s);
  void DrainLingering(BOOL bAll);
  static void OnText(DWORD nStream, LPCSTR psz, void* pContext);

  CPortIo* m_pInner;
  CUploadDlg& m_dlg;
  CFollower* m_pFollower = 0;
  SOCKET m_listen = INVALID_SOCKET;
  char m_szCard[80] = "";

  // The connection being served, and its upload.
  SOCKET m_s = INVALID_SOCKET;
  char m_szPeer[24] = "";
  char* m_head = 0;  // kHttpMaxHead bytes (on the heap: the Windows build probes no stack)
  DWORD m_nHead = 0;
  BYTE* m_pBody = 0;
  DWORD m_nBody = 0, m_nLength = 0;
  DWORD m_dwLastByte = 0, m_dwTick = 0, m_nAccesses = 0;
  int m_nHeaderBytes = 0;
  BOOL m_bActive = FALSE;
  BOOL m_bStopAsked = FALSE, m_bStopPending = FALSE;
  DWORD m_dwStart = 0;
  Why m_why = kNone;
  // The response: its lines as they are written (after the head, when streamed).
  char* m_out = 0;  // kOutMax bytes
  DWORD m_nOut = 0, m_nOutSent = 0;
  static const DWORD kOutMax = 8192;
  BOOL m_bStream = FALSE;
  char m_szSummary[300] = "";
  char m_szMessage[300] = "";  // the first message of the upload

  struct LINGERING {
    SOCKET s;
    DWORD dwSince;
  } m_lingering[8];
  int m_nLingering = 0;
};

#endif  // VARNOK_CLI_SERVER_H
