-- Drives `scenario-tool lsp` from Neovim's own client: diagnostics of the
-- embedded train script (none), a misspelt keyword and its quick fix, hover
-- on the signal at 7900 m, completion at the start of a line and signature
-- help in a station line. Exits with status 0 when every step holds.
local tool = os.getenv("LSP_TOOL")
local dir = os.getenv("LSP_SCENARIO")
local log = {}
local function say(s) table.insert(log, s) end
local function finish(code)
  local f = io.open(os.getenv("HOME") .. "/esito.txt", "w")
  f:write(table.concat(log, "\n") .. "\n")
  f:close()
  vim.cmd((code == 0) and "qall!" or ("cquit " .. code))
end
local function check(ok, what)
  if not ok then
    say("FAILED: " .. what)
    finish(1)
    error(what)
  end
  say("ok: " .. what)
end

local ok, err = pcall(function()
  vim.cmd("edit " .. vim.fn.fnameescape(dir .. "/Ferrovello_2632-.txt"))
  local buf = vim.api.nvim_get_current_buf()
  local uri = vim.uri_from_bufnr(buf)
  local client = vim.lsp.start_client({
    name = "scenario-tool",
    cmd = { tool, "lsp" },
    root_dir = dir,
    init_options = { ritardo = 0 },
    flags = { debounce_text_changes = 0 },
  })
  check(client ~= nil, "the server starts")
  local published = 0
  local default = vim.lsp.handlers["textDocument/publishDiagnostics"]
  vim.lsp.handlers["textDocument/publishDiagnostics"] = function(e, result, ctx, config)
    published = published + 1
    return default(e, result, ctx, config)
  end
  vim.lsp.buf_attach_client(buf, client)

  check(vim.wait(20000, function() return published > 0 end, 20), "diagnostics published on open")
  check(#vim.diagnostic.get(buf) == 0, "no diagnostic on the embedded scenario")

  -- The line of the signal at 7900 m.
  local lines = vim.api.nvim_buf_get_lines(buf, 0, -1, false)
  local row
  for i, l in ipairs(lines) do
    if l:match("^segnale,%s+7900,") then row = i - 1 end
  end
  check(row ~= nil, "the signal at 7900 m is in the script")

  local function request(method, params)
    local answers = vim.lsp.buf_request_sync(buf, method, params, 20000)
    check(answers ~= nil and answers[client] ~= nil and answers[client].err == nil, method .. " answers")
    return answers[client].result
  end

  -- Hover on the signal's position: its codes and kilometric post.
  local col = lines[row + 1]:find("7900") - 1
  local hover = request("textDocument/hover", { textDocument = { uri = uri }, position = { line = row, character = col } })
  local text = hover and hover.contents and hover.contents.value or ""
  say(text)
  check(text:find("Progressiva chilometrica: 6%+400") ~= nil, "hover says the kilometric post of 7900 m")
  check(text:find("segnale%s+codici 40 0 0") ~= nil, "hover says the signal's codes")

  -- Completion at the start of a line: the keywords, with their fields.
  local items = request("textDocument/completion", { textDocument = { uri = uri }, position = { line = row, character = 0 } })
  local snippet
  for _, it in ipairs(items or {}) do
    if it.label == "segnale" then snippet = it.insertText end
  end
  check(snippet ~= nil and snippet:find("${1:posizione}", 1, true) ~= nil, "completion offers segnale with its fields")

  -- Signature help in a station line, after its second comma: field 2.
  local srow
  for i, l in ipairs(lines) do
    if srow == nil and l:match("^stazione,") then srow = i - 1 end
  end
  local scol = select(2, lines[srow + 1]:find("^stazione,[^,]*,")) + 1
  local sig = request("textDocument/signatureHelp", { textDocument = { uri = uri }, position = { line = srow, character = scol } })
  check(sig and sig.signatures and sig.signatures[1].label:find("^stazione, posizione, tipo") ~= nil,
        "signature help shows the station's fields")
  check(sig.activeParameter == 1, "signature help marks the second field (tipo)")

  -- segnale becomes segnalle: the check's diagnostic on the keyword.
  local before = published
  vim.api.nvim_buf_set_text(buf, row, 0, row, 7, { "segnalle" })
  local function misspelt()
    for _, d in ipairs(vim.diagnostic.get(buf)) do
      if d.lnum == row and d.col == 0 and d.end_col == 8 and d.message:find('"segnalle"', 1, true) then return d end
    end
  end
  check(vim.wait(20000, function() return published > before and misspelt() ~= nil end, 20),
        "the misspelt keyword is reported on its range")
  say("diagnostic: " .. misspelt().message)

  -- Its quick fix, applied: the diagnostic goes.
  local actions = request("textDocument/codeAction", {
    textDocument = { uri = uri },
    range = { start = { line = row, character = 0 }, ["end"] = { line = row, character = 8 } },
    context = { diagnostics = {} },
  })
  check(actions ~= nil and #actions >= 1 and actions[1].edit ~= nil, "a quick fix is offered")
  say("quick fix: " .. actions[1].title)
  before = published
  vim.lsp.util.apply_workspace_edit(actions[1].edit, "utf-16")
  check(vim.api.nvim_buf_get_lines(buf, row, row + 1, false)[1]:match("^segnale,%s+7900,") ~= nil,
        "the quick fix writes segnale back")
  check(vim.wait(20000, function() return published > before and #vim.diagnostic.get(buf) == 0 end, 20),
        "the diagnostic is gone after the fix")

  vim.lsp.stop_client(client)
end)
if not ok then
  say("FAILED: " .. tostring(err))
  finish(1)
else
  finish(0)
end
