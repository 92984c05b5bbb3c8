// Gdi.cpp - device contexts and the GDI objects the About box paints with.
#include "afxwin.h"

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  BOOL b = api::DeleteObject(m_hObject);
  m_hObject = 0;
  return b;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
  m_hObject = api::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight);
  return m_hObject != 0;
}

CBrush::CBrush(COLORREF color) { m_hObject = api::CreateSolidBrush(color); }

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
  m_hDC = api::CreateCompatibleDC(pDC ? pDC->m_hDC : 0);
  m_bOwned = m_hDC != 0;
  return m_bOwned;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC || !m_bOwned) return FALSE;
  BOOL b = api::DeleteDC(m_hDC);
  m_hDC = 0;
  m_bOwned = FALSE;
  return b;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = api::BeginPaint(m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() {
  api::EndPaint(m_hWnd, &m_ps);
  m_hDC = 0;
}

void CWnd::ScreenToClient(RECT* pRect) const {
  POINT pt[2] = {{pRect->left, pRect->top}, {pRect->right, pRect->bottom}};
  api::ScreenToClient(m_hWnd, &pt[0]);
  api::ScreenToClient(m_hWnd, &pt[1]);
  pRect->left = pt[0].x;
  pRect->top = pt[0].y;
  pRect->right = pt[1].x;
  pRect->bottom = pt[1].y;
}

BOOL CWnd::DestroyWindow() {
  BOOL b = api::DestroyWindow(m_hWnd);
  m_hWnd = 0;
  return b;
}
