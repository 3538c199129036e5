set(PAPELADA_ALVOS_FUZZ leitor medicao impressao pdf indice visualizacao copia)
