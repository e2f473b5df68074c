// The index browser: the object behind the dialog in which users pick indexed scripts and source
// files. It holds the dialog's options, the selection the user builds in the window and the
// settings the dialog remembers between uses, and raises events through which the host may veto
// option changes, selection changes, accepting and cancelling.
//
// The window itself is a BrowseWindow. The installed UserInterface may supply one; otherwise the
// library serves the dialog as a local web page (127.0.0.1 only, a random token per session).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

enum TGB_ERRORS : std::int32_t {
  TGB_E_ERRBASE = 9000,
  TGB_E_DIALOGNOTSHOWN = 9001,
  TGB_E_INDEXEMPTY = 9002,
};

enum TGB_DIALOGDISPLAYOPTIONS : std::int32_t {
  TGB_DDO_FILENAMES = 0,
  TGB_DDO_INDEXNAMES = 1,
};

enum TGB_SORTOPTIONS : std::int32_t {
  TGB_SO_PATH = 0,
  TGB_SO_CATEGORY = 1,
  TGB_SO_LOCATION = 2,
  TGB_SO_RESOLUTION = 3,
};

// Toolbar buttons of the dialog, as bits of a mask.
enum TGB_DIALOGTOOLBARBUTTONS : std::int32_t {
  TGB_DTBB_SHOWSCRIPTS = 1,
  TGB_DTBB_SHOWSOURCES = 2,
  TGB_DTBB_DISPLAYINDEXNAMES = 4,
  TGB_DTBB_DISPLAYFILENAMES = 8,
  TGB_DTBB_SORTBYPATH = 16,
  TGB_DTBB_SORTBYCATEGORY = 32,
  TGB_DTBB_SORTBYLOCATION = 64,
  TGB_DTBB_SORTBYRES = 128,
  TGB_DTBB_ALLSHOW = 3,
  TGB_DTBB_ALLDISPLAY = 12,
  TGB_DTBB_ALLSORT = 240,
  TGB_DTBB_SCRIPTRELATED = 61,
  TGB_DTBB_SOURCERELATED = 254,
  TGB_DTBB_ALL = 255,
};

enum TGB_SELECTIONTYPES : std::int32_t {
  TGB_ST_SCRIPT = 0,
  TGB_ST_SOURCE = 1,
};

// One item of the dialog: a script (name, program file, priority) or a source file (name, full
// path, priority, resolution in metres and bounds in degrees). `index` is the item's row in its
// index table, -1 for no item.
struct TGB_SELECTEDITEM {
  std::string name;
  std::string filename;
  std::string Priority;
  Double xRes = 0;
  Double yRes = 0;
  Double sLat = 0;
  Double nLat = 0;
  Double eLon = 0;
  Double wLon = 0;
  Long index = -1;
  TGB_SELECTIONTYPES type = TGB_ST_SCRIPT;

  friend bool operator==(const TGB_SELECTEDITEM&, const TGB_SELECTEDITEM&) = default;
};

// The events of the browser. Each may set `Cancel` to veto the change. Option changes are raised
// only while change events are on; the others always.
class TessaglyphBrowserEvents {
 public:
  virtual ~TessaglyphBrowserEvents() = default;
  virtual void showScriptsChanged(Boolean /*newVal*/, Boolean& /*Cancel*/) {}
  virtual void showSourcesChanged(Boolean /*newVal*/, Boolean& /*Cancel*/) {}
  virtual void displayOptionChanged(TGB_DIALOGDISPLAYOPTIONS /*newVal*/, Boolean& /*Cancel*/) {}
  virtual void sortOptionChanged(TGB_SORTOPTIONS /*newVal*/, Boolean& /*Cancel*/) {}
  virtual void dialogSelectionChanged(const TGB_SELECTEDITEM& /*Item*/, Boolean /*selected*/,
                                      Boolean& /*Cancel*/) {}
  virtual void dialogAccept(Boolean& /*Cancel*/) {}
  virtual void dialogCancel(Boolean& /*Cancel*/) {}
};

class TessaglyphBrowser;

// A window that shows the dialog for one browser object. It lists the indexed items, hands the
// object the record of any item it displays, and reports the user's clicks through the object
// (setItemSelected, the option setters, pressOK, pressCancel, requestClose, windowResized), so
// that the host's events decide.
class BrowseWindow {
 public:
  virtual ~BrowseWindow() = default;
  // Shows the window; when `modal`, returns only once it has closed.
  virtual void show(bool modal) = 0;
  // Closes the window (the object has accepted or cancelled); the window then reports
  // windowClosed.
  virtual void close() = 0;
  // The record of a displayed item; `index` -1 when the window does not display it.
  virtual TGB_SELECTEDITEM itemRecord(TGB_SELECTIONTYPES itemType, Long itemIndex) = 0;
  // The options, the enabled buttons or one item's selection changed.
  virtual void applyOptions() {}
  virtual void refreshButtons() {}
  virtual void showItemSelected(TGB_SELECTIONTYPES /*itemType*/, Long /*itemIndex*/,
                                Boolean /*selected*/) {}
  // Multi-select was turned off: the window reduces the selection to one item (through the
  // object, so the host may veto). The default keeps the first selected item.
  virtual void reduceSelection(TessaglyphBrowser& browser);
  // A message box over the window; the default goes to the installed user interface.
  virtual void messageBox(const std::string& prompt, std::int32_t style, const std::string& title);
};

class TessaglyphBrowser {
 public:
  TessaglyphBrowser();
  ~TessaglyphBrowser();
  TessaglyphBrowser(const TessaglyphBrowser&) = delete;
  TessaglyphBrowser& operator=(const TessaglyphBrowser&) = delete;

  // A non-owning sink for the events; nullptr for none.
  void setEventSink(TessaglyphBrowserEvents* sink) { m_events = sink; }

  // ---- Properties -------------------------------------------------------------------------
  const std::string& dialogTitle() const { return m_dialogTitle; }
  // An empty title stores "Select Index Files".
  void setDialogTitle(const std::string& value);
  Boolean rememberSettings() const { return m_rememberSettings; }
  void setRememberSettings(Boolean value) { m_rememberSettings = value; }
  Boolean saveSettingsInRegistry() const { return m_saveSettingsInRegistry; }
  void setSaveSettingsInRegistry(Boolean value) { m_saveSettingsInRegistry = value; }
  // The application the settings belong to: an application name in the per-user settings
  // store, or an INI file. An empty text stores "Tessaglyph.DLL" for the store and the settings
  // file's path for an INI file.
  const std::string& saveSettingsApp() const { return m_saveSettingsApp; }
  void setSaveSettingsApp(const std::string& value);
  const std::string& saveSettingsSection() const { return m_saveSettingsSection; }
  // An empty text stores "Index Browse Dialog Settings".
  void setSaveSettingsSection(const std::string& value);
  Boolean dialogShown() const { return m_dialogShown; }
  // Whether option changes raise their events.
  Boolean changeEvents() const { return m_changeEvents; }
  void setChangeEvents(Boolean value) { m_changeEvents = value; }
  Boolean allowMultiSelect() const { return m_allowMultiSelect; }
  // Turning it off while the dialog is shown has the window reduce the selection.
  void setAllowMultiSelect(Boolean value);
  // The fewest items the user must select before cancelling; at most the number of indexed
  // sources and scripts (the index is started with its defaults to count them), 0 for none.
  Long forceSelect() const { return m_forceSelect; }
  void setForceSelect(Long value);
  // True when every bit of `Button` is enabled; setting sets or clears those bits.
  Boolean buttonEnabled(Long Button) const;
  void setButtonEnabled(Long Button, Boolean value);
  Long enabledButtonsMask() const { return m_enabledButtonsMask; }
  void setEnabledButtonsMask(Long value);
  Boolean showScripts() const { return m_showScripts; }
  void setShowScripts(Boolean value);
  Boolean showSources() const { return m_showSources; }
  void setShowSources(Boolean value);
  TGB_DIALOGDISPLAYOPTIONS displayOption() const { return m_displayOption; }
  void setDisplayOption(TGB_DIALOGDISPLAYOPTIONS value);
  TGB_SORTOPTIONS sortOption() const { return m_sortOption; }
  void setSortOption(TGB_SORTOPTIONS value);
  Boolean lastDialogCanceled() const { return m_lastDialogCanceled; }
  // While the dialog is shown, the window's record of the item; otherwise a record whose
  // `index` is -1.
  TGB_SELECTEDITEM displayedItemData(TGB_SELECTIONTYPES itemType, Long itemIndex) const;
  Boolean itemSelected(TGB_SELECTIONTYPES itemType, Long itemIndex) const;
  // Only while the dialog shows the item: raises dialogSelectionChanged and, unless the host
  // vetoes, adds the item to the selection (at its end) or removes it.
  void setItemSelected(TGB_SELECTIONTYPES itemType, Long itemIndex, Boolean value);
  Long numSelectedItems() const { return Long(m_selectedTypes.size()); }
  // The item at a 0-based position of the selection; 9 outside it.
  TGB_SELECTEDITEM selectedItem(Long index) const;

  // The stored size of the window (0 until it was shown and reported one).
  Double windowWidth() const { return m_windowWidth; }
  Double windowHeight() const { return m_windowHeight; }

  // ---- Methods ----------------------------------------------------------------------------
  // Empties the selection and shows the window, modal (returning once it closed) or not; does
  // nothing while the dialog is shown. A non-empty title becomes the dialog title.
  void showDialog(bool modal, const std::string& title = {});
  // Settings go to the per-user settings store, under the default application and section.
  void applySaveSettingsDefaults();
  // Writes the options and the window size (only when remembering settings), and reads them
  // back (a missing key keeps the current value; a value that does not convert raises 13).
  void saveSettings() const;
  void loadSettings();
  // Press OK or Cancel on the shown window; 9001 when it is not shown.
  void acceptDialog();
  void cancelDialog();

  // ---- What the window reports ------------------------------------------------------------
  // OK: unless the host vetoes dialogAccept, the window closes and the selection stays.
  void pressOK();
  // Cancel: refused with a message while fewer items than forceSelect are selected; unless the
  // host vetoes dialogCancel, the selection is emptied and the window closes.
  void pressCancel();
  // The close box takes the Cancel road.
  void requestClose() { pressCancel(); }
  // The window has closed: the dialog is no longer shown.
  void windowClosed() { m_dialogShown = false; }
  // The window went away without OK or Cancel (a page nobody answered in time): the dialog
  // counts as cancelled, without asking the host.
  void windowAbandoned();
  void windowResized(Double width, Double height);

 private:
  template <typename T>
  bool raiseOptionChange(void (TessaglyphBrowserEvents::*event)(T, Boolean&), T value);
  void clearSelection();
  long findSelected(TGB_SELECTIONTYPES itemType, Long itemIndex) const;
  void closeWindow();

  TessaglyphBrowserEvents* m_events = nullptr;
  std::unique_ptr<BrowseWindow> m_window;

  std::string m_dialogTitle = "Select Index Files";
  Boolean m_rememberSettings = true;
  Boolean m_saveSettingsInRegistry = true;
  std::string m_saveSettingsApp = "Tessaglyph.DLL";
  std::string m_saveSettingsSection = "Index Browse Dialog Settings";
  Boolean m_dialogShown = false;
  Boolean m_changeEvents = false;
  Boolean m_allowMultiSelect = true;
  Long m_forceSelect = 0;
  Long m_enabledButtonsMask = TGB_DTBB_ALL;
  Boolean m_showScripts = true;
  Boolean m_showSources = true;
  TGB_DIALOGDISPLAYOPTIONS m_displayOption = TGB_DDO_INDEXNAMES;
  TGB_SORTOPTIONS m_sortOption = TGB_SO_CATEGORY;
  Boolean m_lastDialogCanceled = false;
  Double m_windowWidth = 0;
  Double m_windowHeight = 0;
  // The selection: three parallel lists of equal length.
  std::vector<TGB_SELECTIONTYPES> m_selectedTypes;
  std::vector<Long> m_selectedIndices;
  std::vector<TGB_SELECTEDITEM> m_selectedRecords;
};

}  // namespace tg
