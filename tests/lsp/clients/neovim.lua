-- Neovim's own LSP client against kelvra-format --lsp: formats one buffer and
-- writes it, and waits for the diagnostic of an unclosed quote in another.
-- Environment: KELVRA_FORMAT (the program), KELVRA_SETTINGS (a Kelvra.ini),
-- KELVRA_BUFFER (the file to format), KELVRA_UNCLOSED (a file with an unclosed quote).
local function check(ok, what)
  if not ok then error(what, 0) end
end

local function start_server(root)
  local id = vim.lsp.start_client({
    name = 'kelvra-format',
    cmd = { os.getenv('KELVRA_FORMAT'), '--lsp', '--settings', os.getenv('KELVRA_SETTINGS'),
            '--line-breaks-separate' },
    root_dir = root,
    init_options = { tidy = true },
  })
  check(id ~= nil, 'the server did not start')
  return id
end

local function run()
  vim.cmd('edit ' .. vim.fn.fnameescape(os.getenv('KELVRA_BUFFER')))
  local buffer = vim.api.nvim_get_current_buf()
  local id = start_server(vim.fn.getcwd())
  vim.lsp.buf_attach_client(buffer, id)
  check(vim.wait(20000, function()
    local client = vim.lsp.get_client_by_id(id)
    return client ~= nil and client.initialized == true
  end, 20), 'the server did not answer initialize')

  if vim.lsp.buf.format then
    vim.lsp.buf.format({ timeout_ms = 20000 })
  else
    vim.lsp.buf.formatting_sync(nil, 20000)
  end
  vim.cmd('write')

  -- The unclosed quote stands after characters outside the BMP: the server
  -- counts UTF-16 code units, Neovim turns them back into byte columns.
  vim.cmd('edit ' .. vim.fn.fnameescape(os.getenv('KELVRA_UNCLOSED')))
  local other = vim.api.nvim_get_current_buf()
  vim.lsp.buf_attach_client(other, id)
  check(vim.wait(20000, function() return #vim.diagnostic.get(other) > 0 end, 20), 'no diagnostic came')
  local d = vim.diagnostic.get(other)[1]
  check(d.lnum == 1 and d.col == 26, string.format('diagnostic at %d:%d, not 1:26', d.lnum, d.col))
  check(d.severity == vim.diagnostic.severity.ERROR, 'the diagnostic is no error')
  check(d.message:find('見つかりません', 1, true) ~= nil, 'unexpected message: ' .. d.message)
end

local ok, err = pcall(run)
if ok then
  vim.cmd('qall!')
else
  io.stderr:write('neovim client: ' .. tostring(err) .. '\n')
  vim.cmd('cquit 1')
end
