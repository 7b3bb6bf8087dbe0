;;; eglot.el --- Emacs's eglot against kelvra-format --lsp  -*- lexical-binding: t -*-
;; Formats one buffer with eglot-format-buffer and saves it.
;; Environment: KELVRA_FORMAT (the program), KELVRA_SETTINGS (a Kelvra.ini),
;; KELVRA_BUFFER (the file to format).

(require 'eglot)
(require 'sql)

(defun kelvra-test-run ()
  (let* ((file (getenv "KELVRA_BUFFER"))
         (contact (list (getenv "KELVRA_FORMAT") "--lsp" "--settings" (getenv "KELVRA_SETTINGS")
                        "--line-breaks-separate" :initializationOptions '(:tidy t))))
    (find-file file)
    (sql-mode)
    (eglot '(sql-mode) (cons 'transient (file-name-directory file)) 'eglot-lsp-server contact "sql")
    (unless (eglot-current-server) (error "eglot has no server for the buffer"))
    (eglot-format-buffer)
    (save-buffer)))

(condition-case err
    (progn (kelvra-test-run) (kill-emacs 0))
  (error (message "eglot client: %S" err) (kill-emacs 1)))
